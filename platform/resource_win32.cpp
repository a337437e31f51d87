#include <windows.h>

#include "platform/resource.h"

namespace velmora::platform {

OwnResource::OwnResource(int id, const char* type) {
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC info = FindResourceA(self, MAKEINTRESOURCEA(id), type);
  if (info == nullptr) return;
  HGLOBAL handle = LoadResource(self, info);
  if (handle == nullptr) return;
  handle_ = handle;
  data_ = LockResource(handle);
  size_ = data_ != nullptr ? SizeofResource(self, info) : 0;
}

OwnResource::~OwnResource() {
  // Resource images live as long as the module; releasing the handle does not
  // unmap the bytes that a background sound may still be reading.
  if (handle_ != nullptr) FreeResource(static_cast<HGLOBAL>(handle_));
}

}  // namespace velmora::platform

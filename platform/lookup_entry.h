#ifndef TAVRO_PLATFORM_LOOKUP_ENTRY_H_
#define TAVRO_PLATFORM_LOOKUP_ENTRY_H_

// Reads a host or service entry whose pointers point into its own buffer,
// checking every pointer and text against the buffer's bounds first. Both
// backends use it with their layout of the entry (hostent and servent on
// Windows, the same shapes on POSIX).

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/async_lookup.h"
#include "platform/inet.h"

namespace velmora::platform::lookup_entry {

class Bounds {
 public:
  Bounds(const char* buffer, int length)
      : begin_(buffer), end_(buffer + (length < 0 ? 0 : length)) {}

  bool holds(const void* p, size_t size) const {
    const char* c = static_cast<const char*>(p);
    return c >= begin_ && c <= end_ && size <= static_cast<size_t>(end_ - c);
  }
  bool text(const char* p, std::string* out) const {
    if (!holds(p, 1)) return false;
    const void* nul = std::memchr(p, 0, static_cast<size_t>(end_ - p));
    if (nul == nullptr) return false;
    out->assign(p, static_cast<const char*>(nul));
    return true;
  }
  // A null-terminated pointer array inside the buffer.
  template <typename Each>
  bool pointers(char* const* list, Each each) const {
    for (;; ++list) {
      if (!holds(list, sizeof(char*))) return false;
      if (*list == nullptr) return true;
      if (!each(*list)) return false;
    }
  }
  bool textList(char* const* list, std::vector<std::string>* out) const {
    return pointers(list, [&](const char* p) {
      out->emplace_back();
      return text(p, &out->back());
    });
  }

 private:
  const char* begin_;
  const char* end_;
};

template <typename HostEnt>
bool readHost(const char* buffer, int length, HostEntry* entry) {
  Bounds bounds(buffer, length);
  *entry = HostEntry();
  if (!bounds.holds(buffer, sizeof(HostEnt))) return false;
  HostEnt host;
  std::memcpy(&host, buffer, sizeof host);
  if (!bounds.text(host.h_name, &entry->name) ||
      !bounds.textList(host.h_aliases, &entry->aliases)) {
    return false;
  }
  if (host.h_length != 4) return host.h_addr_list == nullptr || bounds.holds(host.h_addr_list, 1);
  return bounds.pointers(host.h_addr_list, [&](const char* p) {
    if (!bounds.holds(p, 4)) return false;
    uint32_t address = 0;
    std::memcpy(&address, p, 4);
    entry->addresses.push_back(inetNtoa(address));
    return true;
  });
}

template <typename ServEnt>
bool readService(const char* buffer, int length, ServiceEntry* entry) {
  Bounds bounds(buffer, length);
  *entry = ServiceEntry();
  if (!bounds.holds(buffer, sizeof(ServEnt))) return false;
  ServEnt service;
  std::memcpy(&service, buffer, sizeof service);
  entry->portNetworkOrder = static_cast<uint16_t>(service.s_port);
  return bounds.text(service.s_name, &entry->name) &&
         bounds.textList(service.s_aliases, &entry->aliases) &&
         (service.s_proto == nullptr || bounds.text(service.s_proto, &entry->protocol));
}

// Moves the pointers of an entry copied from `oldBase` to `buffer` along with
// it. A pointer that did not point into the old buffer becomes null, so the
// readers above reject it instead of following it.
class Rebase {
 public:
  Rebase(char* buffer, int length, const char* oldBase)
      : buffer_(buffer),
        length_(length < 0 ? 0 : static_cast<size_t>(length)),
        oldBegin_(reinterpret_cast<uintptr_t>(oldBase)) {}

  template <typename T>
  void fix(T** pointer) const {
    const uintptr_t value = reinterpret_cast<uintptr_t>(*pointer);
    *pointer = value >= oldBegin_ && value - oldBegin_ < length_
                   ? reinterpret_cast<T*>(buffer_ + (value - oldBegin_))
                   : nullptr;
  }
  void fixList(char*** list) const {
    fix(list);
    Bounds bounds(buffer_, static_cast<int>(length_));
    for (char** item = *list; item != nullptr && bounds.holds(item, sizeof(char*)); ++item) {
      if (*item == nullptr) return;
      fix(item);
    }
  }

 private:
  char* buffer_;
  size_t length_;
  uintptr_t oldBegin_;
};

template <typename HostEnt>
void rebaseHost(char* buffer, int length, const char* oldBase) {
  if (length < static_cast<int>(sizeof(HostEnt))) return;
  Rebase rebase(buffer, length, oldBase);
  HostEnt host;
  std::memcpy(&host, buffer, sizeof host);
  rebase.fix(&host.h_name);
  rebase.fixList(&host.h_aliases);
  rebase.fixList(&host.h_addr_list);
  std::memcpy(buffer, &host, sizeof host);
}

template <typename ServEnt>
void rebaseService(char* buffer, int length, const char* oldBase) {
  if (length < static_cast<int>(sizeof(ServEnt))) return;
  Rebase rebase(buffer, length, oldBase);
  ServEnt service;
  std::memcpy(&service, buffer, sizeof service);
  rebase.fix(&service.s_name);
  rebase.fixList(&service.s_aliases);
  rebase.fix(&service.s_proto);
  std::memcpy(buffer, &service, sizeof service);
}

}  // namespace velmora::platform::lookup_entry

#endif  // TAVRO_PLATFORM_LOOKUP_ENTRY_H_

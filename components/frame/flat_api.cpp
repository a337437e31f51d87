#include "components/frame/flat_api.h"

#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "components/frame/frame_ids.h"
#include "components/frame/socket_component.h"
#include "platform/codepage.h"
#include "platform/event_loop.h"
#include "platform/inet.h"

namespace velmora::components {
namespace {

ComponentRegistration& registrationOf(ComponentKind kind) {
  static ComponentRegistration registrations[2] = {};
  return registrations[kind == ComponentKind::kIPPort ? 0 : 1];
}

// Static initialisation is balanced by its callers, but the window class is
// shared by both components: it stays registered until the last clean-up, so
// one component's clean-up cannot take the class away from the other.
struct ProcessSetup {
  std::mutex mutex;
  int classUsers = 0;
  int winsockStarts = 0;
  FrameProcessState state;
};

ProcessSetup& processSetup() {
  static ProcessSetup setup;
  return setup;
}

ComponentBase* fromHandle(void* handle) { return static_cast<ComponentBase*>(handle); }

enum class IdForm { kPlain, kWide, kRaw };

IdForm splitId(int id, int* base) {
  if (id > kRawWideIdOffset) {
    *base = id - kRawWideIdOffset;
    return IdForm::kRaw;
  }
  if (id > kWideIdOffset) {
    *base = id - kWideIdOffset;
    return IdForm::kWide;
  }
  *base = id;
  return IdForm::kPlain;
}

size_t wideLength(const char16_t* text) {
  size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

// Wide input to bytes with the instance's code page; `count` < 1 means the
// text is NUL-terminated.
int narrow(const ComponentBase& c, const void* value, int count, std::string* out) {
  const char16_t* wide = static_cast<const char16_t*>(value);
  if (wide == nullptr) {
    out->clear();
    return 0;
  }
  size_t length = count > 0 ? static_cast<size_t>(count) : wideLength(wide);
  return platform::wideToBytes(c.codePage(), wide, length, out);
}

const char16_t* widen(ComponentBase& c, int key, const char* bytes, size_t length, int* code) {
  // Converted aside first: a text that reads the same as before keeps its
  // storage, so a pointer the caller still holds does not dangle.
  std::u16string converted;
  *code = platform::bytesToWide(c.codePage(), bytes ? bytes : "", bytes ? length : 0, &converted);
  std::u16string& buffer = c.wideBuffer(key);
  if (converted != buffer) buffer = std::move(converted);
  return buffer.c_str();
}

int methodResultKey(int methodId, int slot) { return -(methodId * 16 + slot) - 1; }

int fail(ComponentBase* c, int code) {
  if (code == kOutOfMemory) c->setMessageText("Out of memory.");
  if (code == kInternalError) c->setMessageText("Internal error.");
  c->completeResult(code);
  return code;
}

bool isTextual(ValueKind kind) { return kind == ValueKind::kText || kind == ValueKind::kBytes; }

intptr_t getValue(ComponentBase* c, int base, IdForm form, int* length) {
  if (base == ComponentBase::kCodePagePropertyId) return c->codePage();
  const PropertyInfo* info = c->findProperty(base);
  if (info == nullptr || !(info->access & kRead)) return 0;
  int byteLength = 0;
  intptr_t word = c->getProperty(base, &byteLength);
  if (!isTextual(info->kind)) return word;
  const char* bytes = reinterpret_cast<const char*>(word);
  if (form == IdForm::kPlain) {
    *length = info->kind == ValueKind::kBytes ? byteLength
                                              : (bytes ? static_cast<int>(std::strlen(bytes)) : 0);
    return word;
  }
  size_t n = info->kind == ValueKind::kBytes ? static_cast<size_t>(byteLength < 0 ? 0 : byteLength)
                                             : (bytes ? std::strlen(bytes) : 0);
  int code = 0;
  const char16_t* wide = widen(*c, base, bytes, n, &code);
  if (code != 0) {
    fail(c, code);
    return 0;
  }
  *length = static_cast<int>(c->wideBuffer(base).size());
  return reinterpret_cast<intptr_t>(wide);
}

int setValue(ComponentBase* c, int base, IdForm form, const void* value, int length) {
  if (base == ComponentBase::kCodePagePropertyId) return kUnknownSetting;
  const PropertyInfo* info = c->findProperty(base);
  if (info == nullptr || !(info->access & kWrite)) return kUnknownSetting;
  PropertyValue v;
  std::string converted;
  if (!isTextual(info->kind)) {
    // Integers pass unchanged even under a wide id: the word is no pointer.
    v.word = reinterpret_cast<intptr_t>(value);
  } else if (form == IdForm::kWide) {
    int code = narrow(*c, value, info->kind == ValueKind::kBytes ? length : 0, &converted);
    if (code != 0) return fail(c, code);
    v.text = converted.c_str();
    v.length = static_cast<int>(converted.size());
  } else {
    v.text = value ? static_cast<const char*>(value) : "";
    v.length = info->kind == ValueKind::kBytes ? (value && length > 0 ? length : 0)
                                               : static_cast<int>(std::strlen(v.text));
  }
  v.word = isTextual(info->kind) ? reinterpret_cast<intptr_t>(v.text) : v.word;
  int code = c->setProperty(base, v);
  c->completeResult(code);
  return code;
}

// Copies the caller's parameters into MethodArgs, converting wide input.
int takeParams(ComponentBase* c, const MethodInfo& info, bool wide, int count, void* params[],
               int lengths[], MethodArgs* args, std::vector<std::string>* converted) {
  for (int i = 0; i < info.paramCount && i < count && params; ++i) {
    intptr_t word = reinterpret_cast<intptr_t>(params[i]);
    int length = lengths ? lengths[i] : 0;
    ParamKind kind = info.params[i];
    if (kind == ParamKind::kTextResult) continue;
    args->setLength(i, length);
    if (!wide || kind == ParamKind::kInteger || word == 0) {
      args->setWord(i, word);
      continue;
    }
    int code = narrow(*c, params[i], kind == ParamKind::kBytes ? length : 0, &(*converted)[i]);
    if (code != 0) return code;
    args->setWord(i, reinterpret_cast<intptr_t>((*converted)[i].c_str()));
    args->setLength(i, static_cast<int>((*converted)[i].size()));
  }
  return 0;
}

int giveResults(ComponentBase* c, const MethodInfo& info, bool wide, int methodId, int count,
                void* params[], int lengths[], const MethodArgs& args) {
  int code = 0;
  for (int i = 0; i < info.paramCount && i < count && params; ++i) {
    if (info.params[i] == ParamKind::kBytes && wide && lengths) lengths[i] = args.length(i);
    if (info.params[i] != ParamKind::kTextResult) continue;
    const char* text = args.text(i);
    if (!wide) {
      params[i] = const_cast<char*>(text);
      continue;
    }
    int failed = 0;
    params[i] = const_cast<char16_t*>(
        widen(*c, methodResultKey(methodId, i), text, std::strlen(text), &failed));
    if (failed != 0) code = failed;
  }
  return code;
}

int callMethod(ComponentBase* c, int methodId, int count, void* params[], int lengths[]) {
  int base = 0;
  IdForm form = splitId(methodId, &base);
  if (form == IdForm::kRaw) return 0;
  const MethodInfo* info = c->findMethod(base);
  if (info == nullptr) return 0;
  bool wide = form == IdForm::kWide;
  MethodArgs args(info->paramCount);
  std::vector<std::string> converted(static_cast<size_t>(info->paramCount));
  int code = takeParams(c, *info, wide, count, params, lengths, &args, &converted);
  if (code != 0) return fail(c, code);
  code = c->callMethod(base, args);
  int resultCode = giveResults(c, *info, wide, base, count, params, lengths, args);
  if (code == 0 && resultCode != 0) code = resultCode;
  c->completeResult(code);
  return code;
}

}  // namespace

const FrameProcessState& frameProcessState() { return processSetup().state; }

bool registerComponent(ComponentKind kind, const ComponentRegistration& registration) {
  registrationOf(kind) = registration;
  return true;
}

int flatStaticInit(ComponentKind kind, void* moduleInstance) {
  ProcessSetup& setup = processSetup();
  {
    std::lock_guard<std::mutex> lock(setup.mutex);
    setup.state.moduleInstance = moduleInstance;
    if (setup.classUsers++ == 0) platform::registerWindowClass(moduleInstance);
    uint16_t granted = 0;
    setup.state.winsockStatus = platform::socketsStartup(&granted);
    setup.state.winsockVersion = granted;
    if (setup.state.winsockStatus == 0) ++setup.winsockStarts;
  }
  const ComponentRegistration& registration = registrationOf(kind);
  if (registration.staticInit) registration.staticInit(moduleInstance);
  return 0;
}

int flatStaticDestroy(ComponentKind kind) {
  const ComponentRegistration& registration = registrationOf(kind);
  if (registration.staticDestroy) registration.staticDestroy();
  ProcessSetup& setup = processSetup();
  std::lock_guard<std::mutex> lock(setup.mutex);
  if (setup.winsockStarts > 0) {
    --setup.winsockStarts;
    platform::socketsCleanup();
  }
  if (setup.classUsers > 0 && --setup.classUsers == 0) platform::unregisterWindowClass();
  return 0;
}

void* flatCreate(ComponentKind kind, ComponentEventCallback callback, void* context) {
  // Without its component there is no instance: a frame-only object would
  // answer every connection attempt with success.
  ComponentBase* (*create)() = registrationOf(kind).create;
  return create ? flatCreateWith(create, callback, context) : nullptr;
}

void* flatCreateWith(ComponentBase* (*create)(), ComponentEventCallback callback, void* context) {
  try {
    ComponentBase* c = create();
    if (c != nullptr) c->eventSink().bind(callback, context);
    return c;
  } catch (...) {
    return nullptr;
  }
}

int flatDestroy(void* handle) {
  if (handle != nullptr) ComponentBase::destroy(fromHandle(handle));
  return 0;
}

void* flatGet(void* handle, int propertyId, int, int* length) {
  ComponentBase* c = fromHandle(handle);
  if (c == nullptr) return nullptr;
  ComponentBase::Entry entry(c);
  int ignored = 0;
  int base = 0;
  IdForm form = splitId(propertyId, &base);
  try {
    return reinterpret_cast<void*>(getValue(c, base, form, length ? length : &ignored));
  } catch (const std::bad_alloc&) {
    fail(c, kOutOfMemory);
  } catch (...) {
    fail(c, kInternalError);
  }
  return nullptr;
}

int flatSet(void* handle, int propertyId, int, const void* value, int length) {
  ComponentBase* c = fromHandle(handle);
  if (c == nullptr) return kOutOfMemory;
  ComponentBase::Entry entry(c);
  int base = 0;
  IdForm form = splitId(propertyId, &base);
  try {
    return setValue(c, base, form, value, length);
  } catch (const std::bad_alloc&) {
    return fail(c, kOutOfMemory);
  } catch (...) {
    return fail(c, kInternalError);
  }
}

int flatDo(void* handle, int methodId, int paramCount, void* params[], int lengths[]) {
  ComponentBase* c = fromHandle(handle);
  if (c == nullptr) return kOutOfMemory;
  ComponentBase::Entry entry(c);
  try {
    return callMethod(c, methodId, paramCount, params, lengths);
  } catch (const std::bad_alloc&) {
    return fail(c, kOutOfMemory);
  } catch (...) {
    return fail(c, kInternalError);
  }
}

const char* flatGetLastError(void* handle) {
  ComponentBase* c = fromHandle(handle);
  return c ? c->messageText().c_str() : nullptr;
}

int flatGetLastErrorCode(void* handle) {
  ComponentBase* c = fromHandle(handle);
  return c ? c->resultCode() : kOutOfMemory;
}

int flatCheckIndex(void* handle, int, int) { return handle ? 0 : kOutOfMemory; }

}  // namespace velmora::components

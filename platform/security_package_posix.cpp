#include "platform/security_package.h"

#include <dlfcn.h>

#include <cstdint>
#include <cstdio>

namespace velmora::platform {
namespace {

// The GSSAPI C binding is a fixed ABI; its library is loaded at run time,
// so only the few types and calls used here are declared.
using Minor = uint32_t;
struct GssBuffer {
  size_t length;
  void* value;
};
struct GssOid {
  uint32_t length;
  const void* elements;
};
struct GssOidSet {
  size_t count;
  GssOid* elements;
};
using GssHandle = void*;

constexpr uint32_t kComplete = 0;
constexpr uint32_t kContinueNeeded = 1;
constexpr uint32_t kErrorMask = 0xFFFF0000u;
constexpr int kInitiate = 1;
constexpr uint32_t kIndefinite = 0xFFFFFFFFu;
constexpr int kGssCode = 1;
constexpr int kMechCode = 2;

GssOid kHostService = {10, "\x2a\x86\x48\x86\xf7\x12\x01\x02\x01\x04"};
GssOid kUserName = {10, "\x2a\x86\x48\x86\xf7\x12\x01\x02\x01\x01"};
GssOid kSpnego = {6, "\x2b\x06\x01\x05\x05\x02"};
GssOid kNtlm = {10, "\x2b\x06\x01\x04\x01\x82\x37\x02\x02\x0a"};

struct GssApi {
  uint32_t (*importName)(Minor*, GssBuffer*, GssOid*, GssHandle*);
  uint32_t (*releaseName)(Minor*, GssHandle*);
  uint32_t (*acquireCred)(Minor*, GssHandle, uint32_t, GssOidSet*, int, GssHandle*, GssOidSet**,
                          uint32_t*);
  uint32_t (*acquireCredWithPassword)(Minor*, GssHandle, GssBuffer*, uint32_t, GssOidSet*, int,
                                      GssHandle*, GssOidSet**, uint32_t*);
  uint32_t (*releaseCred)(Minor*, GssHandle*);
  uint32_t (*initSecContext)(Minor*, GssHandle, GssHandle*, GssHandle, GssOid*, uint32_t, uint32_t,
                             void*, GssBuffer*, GssOid**, GssBuffer*, uint32_t*, uint32_t*);
  uint32_t (*deleteSecContext)(Minor*, GssHandle*, GssBuffer*);
  uint32_t (*releaseBuffer)(Minor*, GssBuffer*);
  uint32_t (*displayStatus)(Minor*, uint32_t, int, GssOid*, uint32_t*, GssBuffer*);
};

template <typename F>
bool bind(void* library, const char* name, F* function) {
  *function = reinterpret_cast<F>(dlsym(library, name));
  return *function != nullptr;
}

// Loaded once per process and kept: the library stays mapped until exit.
const GssApi* gssApi() {
  static const GssApi* api = []() -> const GssApi* {
    void* library = dlopen("libgssapi_krb5.so.2", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    static GssApi table;
    bool ok = bind(library, "gss_import_name", &table.importName) &&
              bind(library, "gss_release_name", &table.releaseName) &&
              bind(library, "gss_acquire_cred", &table.acquireCred) &&
              bind(library, "gss_release_cred", &table.releaseCred) &&
              bind(library, "gss_init_sec_context", &table.initSecContext) &&
              bind(library, "gss_delete_sec_context", &table.deleteSecContext) &&
              bind(library, "gss_release_buffer", &table.releaseBuffer) &&
              bind(library, "gss_display_status", &table.displayStatus);
    bind(library, "gss_acquire_cred_with_password", &table.acquireCredWithPassword);
    return ok ? &table : nullptr;
  }();
  return api;
}

std::string statusText(const GssApi& api, uint32_t major, Minor minor, GssOid* mech) {
  GssBuffer buffer = {0, nullptr};
  uint32_t context = 0;
  Minor ignored = 0;
  bool mechanism = minor != 0;
  api.displayStatus(&ignored, mechanism ? minor : major, mechanism ? kMechCode : kGssCode, mech,
                    &context, &buffer);
  std::string text(static_cast<const char*>(buffer.value), buffer.length);
  api.releaseBuffer(&ignored, &buffer);
  return text.empty() ? "Unknown error." : text;
}

std::string hexStatus(uint32_t status) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%x", status);
  return text;
}

}  // namespace

struct SecurityPackage::State {
  const GssApi* api = nullptr;
  GssOid* mech = nullptr;
  GssHandle credentials = nullptr;
  GssHandle context = nullptr;
  GssHandle target = nullptr;

  ~State() {
    Minor minor = 0;
    if (context != nullptr) api->deleteSecContext(&minor, &context, nullptr);
    if (credentials != nullptr) api->releaseCred(&minor, &credentials);
    if (target != nullptr) api->releaseName(&minor, &target);
  }

  int acquire(const SecurityIdentity& identity, std::string* message);
  int step(const std::string& input, int failCode, const char* failText, std::string* token,
           std::string* message);
};

int SecurityPackage::State::acquire(const SecurityIdentity& identity, std::string* message) {
  GssOidSet mechs = {1, mech};
  Minor minor = 0;
  uint32_t major = 0;
  if (!identity.explicitIdentity) {
    major = api->acquireCred(&minor, nullptr, kIndefinite, &mechs, kInitiate, &credentials, nullptr,
                             nullptr);
  } else if (api->acquireCredWithPassword == nullptr) {
    major = 0x000D0000u;  // no credentials: the library cannot take a password
  } else {
    std::string user = identity.user;
    if (!identity.domain.empty()) user += "@" + identity.domain;
    GssBuffer nameBuffer = {user.size(), &user[0]};
    GssHandle name = nullptr;
    major = api->importName(&minor, &nameBuffer, &kUserName, &name);
    if ((major & kErrorMask) == 0) {
      std::string password = identity.password;
      GssBuffer secret = {password.size(), &password[0]};
      major = api->acquireCredWithPassword(&minor, name, &secret, kIndefinite, &mechs, kInitiate,
                                           &credentials, nullptr, nullptr);
      Minor ignored = 0;
      api->releaseName(&ignored, &name);
    }
  }
  if ((major & kErrorMask) == 0) return 0;
  *message = "Could not acquire security credentials (" + hexStatus(major) +
             "): " + statusText(*api, major, minor, mech);
  return kSecurityCredentialsFailed;
}

int SecurityPackage::State::step(const std::string& input, int failCode, const char* failText,
                                 std::string* token, std::string* message) {
  std::string copy = input;
  GssBuffer in = {copy.size(), copy.empty() ? nullptr : &copy[0]};
  GssBuffer out = {0, nullptr};
  Minor minor = 0;
  uint32_t major = api->initSecContext(&minor, credentials, &context, target, mech, 0, 0, nullptr,
                                       &in, nullptr, &out, nullptr, nullptr);
  token->assign(static_cast<const char*>(out.value), out.length);
  Minor ignored = 0;
  api->releaseBuffer(&ignored, &out);
  if (major != kComplete && major != kContinueNeeded) {
    *message = std::string(failText) + " (" + hexStatus(major) +
               "): " + statusText(*api, major, minor, mech);
    return failCode;
  }
  if (token->size() > kSecurityMaxToken) {
    *message = "Error computing Authentication Token: buffer boundary exceeded.";
    return kSecurityTokenTooLarge;
  }
  return 0;
}

SecurityPackage::SecurityPackage() : state_(new State) {}
SecurityPackage::~SecurityPackage() = default;

int SecurityPackage::firstToken(const std::string& package, const SecurityIdentity& identity,
                                const std::string& target, std::string* token,
                                std::string* message) {
  token->clear();
  state_->api = gssApi();
  if (state_->api == nullptr) {
    *message = "The security library could not be loaded";
    return kSecurityLibraryMissing;
  }
  state_->mech = package == "NTLM" ? &kNtlm : &kSpnego;
  int code = state_->acquire(identity, message);
  if (code != 0) return code;
  // A host-based service name for the HTTP service of the target.
  std::string service = target.find('@') == std::string::npos ? "HTTP@" + target : target;
  GssBuffer name = {service.size(), &service[0]};
  Minor minor = 0;
  uint32_t major = state_->api->importName(&minor, &name, &kHostService, &state_->target);
  if ((major & kErrorMask) != 0) {
    *message = "Could not initialize security context (" + hexStatus(major) +
               "): " + statusText(*state_->api, major, minor, state_->mech);
    return kSecurityInitFailed;
  }
  return state_->step(std::string(), kSecurityInitFailed, "Could not initialize security context",
                      token, message);
}

int SecurityPackage::nextToken(const std::string& input, std::string* token, std::string* message) {
  token->clear();
  if (state_->api == nullptr || state_->credentials == nullptr) {
    *message = "The security library could not be loaded";
    return kSecurityLibraryMissing;
  }
  return state_->step(input, kSecurityConsumeFailed, "Error consuming security token", token,
                      message);
}

}  // namespace velmora::platform

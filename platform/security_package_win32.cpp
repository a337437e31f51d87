#include "platform/security_package.h"

// The security headers rely on windows.h and declare the user-mode
// interface only when asked to.
// clang-format off
#include <windows.h>
#define SECURITY_WIN32
#include <security.h>
#include <sspi.h>
// clang-format on

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/system_error.h"

namespace velmora::platform {
namespace {

// secur32 is loaded on first use and stays loaded for the process.
PSecurityFunctionTableA functionTable() {
  static PSecurityFunctionTableA table = []() -> PSecurityFunctionTableA {
    HMODULE library = LoadLibraryA("secur32.dll");
    if (library == nullptr) return nullptr;
    auto init = reinterpret_cast<INIT_SECURITY_INTERFACE_A>(
        reinterpret_cast<void*>(GetProcAddress(library, "InitSecurityInterfaceA")));
    return init != nullptr ? init() : nullptr;
  }();
  return table;
}

std::string trimmedSystemText(uint32_t code) {
  std::string text;
  if (!systemMessageText(code, true, 1024, &text)) return "Unknown error.";
  const char* blanks = " \t\r\n";
  size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return "Unknown error.";
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string statusMessage(const char* prefix, SECURITY_STATUS status, uint32_t textCode) {
  char hex[16];
  std::snprintf(hex, sizeof(hex), "0x%x", static_cast<unsigned>(status));
  return std::string(prefix) + " (" + hex + "): " + trimmedSystemText(textCode);
}

}  // namespace

struct SecurityPackage::State {
  PSecurityFunctionTableA table = nullptr;
  CredHandle credentials{};
  CtxtHandle context{};
  bool haveCredentials = false;
  bool haveContext = false;
  std::string target;

  ~State() {
    if (haveContext) table->DeleteSecurityContext(&context);
    if (haveCredentials) table->FreeCredentialsHandle(&credentials);
  }

  int acquire(const std::string& package, const SecurityIdentity& identity, std::string* message);
  int step(const std::string* input, int failCode, const char* failText, std::string* token,
           std::string* message);
};

int SecurityPackage::State::acquire(const std::string& package, const SecurityIdentity& identity,
                                    std::string* message) {
  std::string user = identity.user;
  std::string domain = identity.domain;
  std::string password = identity.password;
  SEC_WINNT_AUTH_IDENTITY_A explicitIdentity{};
  explicitIdentity.User = reinterpret_cast<unsigned char*>(&user[0]);
  explicitIdentity.UserLength = static_cast<unsigned long>(user.size());
  explicitIdentity.Domain = reinterpret_cast<unsigned char*>(&domain[0]);
  explicitIdentity.DomainLength = static_cast<unsigned long>(domain.size());
  explicitIdentity.Password = reinterpret_cast<unsigned char*>(&password[0]);
  explicitIdentity.PasswordLength = static_cast<unsigned long>(password.size());
  explicitIdentity.Flags = SEC_WINNT_AUTH_IDENTITY_ANSI;
  TimeStamp expiry;
  std::string name = package;
  SECURITY_STATUS status =
      table->AcquireCredentialsHandleA(nullptr, &name[0], SECPKG_CRED_OUTBOUND, nullptr,
                                       identity.explicitIdentity ? &explicitIdentity : nullptr,
                                       nullptr, nullptr, &credentials, &expiry);
  if (status != SEC_E_OK) {
    *message = statusMessage("Could not acquire security credentials", status,
                             static_cast<uint32_t>(status));
    return kSecurityCredentialsFailed;
  }
  haveCredentials = true;
  return 0;
}

int SecurityPackage::State::step(const std::string* input, int failCode, const char* failText,
                                 std::string* token, std::string* message) {
  std::vector<char> output(kSecurityMaxToken);
  SecBuffer outBuffer = {static_cast<unsigned long>(output.size()), SECBUFFER_TOKEN, output.data()};
  SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, &outBuffer};
  std::string copy = input != nullptr ? *input : std::string();
  SecBuffer inBuffer = {static_cast<unsigned long>(copy.size()), SECBUFFER_TOKEN, &copy[0]};
  SecBufferDesc inDesc = {SECBUFFER_VERSION, 1, &inBuffer};
  unsigned long attributes = 0;
  TimeStamp expiry;
  SECURITY_STATUS status = table->InitializeSecurityContextA(
      &credentials, haveContext ? &context : nullptr, &target[0], 0, 0, SECURITY_NATIVE_DREP,
      input != nullptr ? &inDesc : nullptr, 0, &context, &outDesc, &attributes, &expiry);
  if (status == SEC_E_BUFFER_TOO_SMALL || status == SEC_E_INSUFFICIENT_MEMORY) {
    *message = "Error computing Authentication Token: buffer boundary exceeded.";
    return kSecurityTokenTooLarge;
  }
  if (status < 0) {
    // The first call reports the thread's last error, the second its status.
    uint32_t textCode = input == nullptr ? GetLastError() : static_cast<uint32_t>(status);
    *message = statusMessage(failText, status, textCode);
    return failCode;
  }
  haveContext = true;
  if (status == SEC_I_COMPLETE_NEEDED || status == SEC_I_COMPLETE_AND_CONTINUE) {
    if (table->CompleteAuthToken != nullptr) table->CompleteAuthToken(&context, &outDesc);
  }
  token->assign(output.data(), outBuffer.cbBuffer);
  return 0;
}

SecurityPackage::SecurityPackage() : state_(new State) {}
SecurityPackage::~SecurityPackage() = default;

int SecurityPackage::firstToken(const std::string& package, const SecurityIdentity& identity,
                                const std::string& target, std::string* token,
                                std::string* message) {
  token->clear();
  state_->table = functionTable();
  if (state_->table == nullptr) {
    *message = "The security library could not be loaded";
    return kSecurityLibraryMissing;
  }
  state_->target = target;
  int code = state_->acquire(package, identity, message);
  if (code != 0) return code;
  return state_->step(nullptr, kSecurityInitFailed, "Could not initialize security context", token,
                      message);
}

int SecurityPackage::nextToken(const std::string& input, std::string* token, std::string* message) {
  token->clear();
  if (state_->table == nullptr || !state_->haveCredentials) {
    *message = "The security library could not be loaded";
    return kSecurityLibraryMissing;
  }
  return state_->step(&input, kSecurityConsumeFailed, "Error consuming security token", token,
                      message);
}

}  // namespace velmora::platform

#ifndef TAVRO_PLATFORM_SECURITY_PACKAGE_H_
#define TAVRO_PLATFORM_SECURITY_PACKAGE_H_

#include <memory>
#include <string>

namespace velmora::platform {

/// Result codes of the system security package.
enum SecurityCode {
  kSecurityLibraryMissing = 270,
  kSecurityCredentialsFailed = 880,
  kSecurityConsumeFailed = 881,
  kSecurityInitFailed = 882,
  kSecurityTokenTooLarge = 883,
};

/// Largest token the package may produce.
constexpr size_t kSecurityMaxToken = 4096;

/// Explicit credentials, or (when `explicitIdentity` is false) those of the
/// logged-on user.
struct SecurityIdentity {
  bool explicitIdentity = false;
  std::string domain;
  std::string user;
  std::string password;
};

/// A client-side authentication context of the system's security package
/// ("NTLM" or "Negotiate"), loaded at run time: secur32 on Windows, the
/// GSSAPI library on POSIX (Negotiate is SPNEGO; NTLM needs a GSSAPI NTLM
/// mechanism). Each call returns 0 or a SecurityCode with the message text
/// to show; tokens are raw bytes.
class SecurityPackage {
 public:
  SecurityPackage();
  ~SecurityPackage();
  SecurityPackage(const SecurityPackage&) = delete;
  SecurityPackage& operator=(const SecurityPackage&) = delete;

  /// Acquires the credentials and produces the first token for `target`.
  int firstToken(const std::string& package, const SecurityIdentity& identity,
                 const std::string& target, std::string* token, std::string* message);
  /// Consumes the server's token and produces the answer.
  int nextToken(const std::string& input, std::string* token, std::string* message);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_SECURITY_PACKAGE_H_

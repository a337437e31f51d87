#ifndef TAVRO_COMPONENTS_IPPORT_PROXY_AUTH_TOKEN_H_
#define TAVRO_COMPONENTS_IPPORT_PROXY_AUTH_TOKEN_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "components/ipport/proxy/ntlm.h"
#include "platform/security_package.h"

namespace velmora::components::proxy {

/// Produces the tokens of an NTLM or Negotiate proxy authentication. Each
/// call returns 0, or a result code with the message to show.
class AuthTokenSource {
 public:
  virtual ~AuthTokenSource() = default;
  virtual int firstToken(std::string* token, std::string* message) = 0;
  virtual int answerToken(const std::string& challenge, std::string* token,
                          std::string* message) = 0;
};

/// The built-in NTLM. The client nonce bytes (1 to 255 each) come from a
/// generator seeded with `seed`.
class BuiltInNtlm : public AuthTokenSource {
 public:
  BuiltInNtlm(const std::string& user, const std::string& password, uint32_t seed);
  int firstToken(std::string* token, std::string* message) override;
  int answerToken(const std::string& challenge, std::string* token, std::string* message) override;

 private:
  NtlmIdentity identity_;
  uint32_t seed_;
};

/// The system security package named `package` ("NTLM" or "Negotiate"),
/// authenticating for `target`.
class SystemAuth : public AuthTokenSource {
 public:
  SystemAuth(std::string package, const std::string& user, const std::string& password,
             std::string target);
  int firstToken(std::string* token, std::string* message) override;
  int answerToken(const std::string& challenge, std::string* token, std::string* message) override;

 private:
  std::string package_;
  platform::SecurityIdentity identity_;
  std::string target_;
  platform::SecurityPackage context_;
};

/// The result code of a built-in token failure (an unreadable challenge).
constexpr int kBuiltInTokenFailed = platform::kSecurityConsumeFailed;

}  // namespace velmora::components::proxy

#endif  // TAVRO_COMPONENTS_IPPORT_PROXY_AUTH_TOKEN_H_

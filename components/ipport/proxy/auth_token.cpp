#include "components/ipport/proxy/auth_token.h"

#include <random>

namespace velmora::components::proxy {

BuiltInNtlm::BuiltInNtlm(const std::string& user, const std::string& password, uint32_t seed)
    : identity_(splitNtlmUser(user, password)), seed_(seed) {}

int BuiltInNtlm::firstToken(std::string* token, std::string*) {
  *token = ntlmNegotiateMessage(identity_.domain);
  return 0;
}

int BuiltInNtlm::answerToken(const std::string& challenge, std::string* token,
                             std::string* message) {
  NtlmChallenge parsed;
  if (!parseNtlmChallenge(challenge, &parsed, message)) return kBuiltInTokenFailed;
  std::minstd_rand generator(seed_ == 0 ? 1 : seed_);
  NtlmChallengeBytes nonce;
  for (uint8_t& byte : nonce) byte = static_cast<uint8_t>(1 + generator() % 255);
  *token = ntlmAuthenticateMessage(identity_, parsed, nonce);
  return 0;
}

SystemAuth::SystemAuth(std::string package, const std::string& user, const std::string& password,
                       std::string target)
    : package_(std::move(package)), target_(std::move(target)) {
  identity_.explicitIdentity = !user.empty() || !password.empty();
  NtlmIdentity split = splitNtlmUser(user, password);
  identity_.domain = split.domain;
  identity_.user = split.user;
  identity_.password = password;
}

int SystemAuth::firstToken(std::string* token, std::string* message) {
  return context_.firstToken(package_, identity_, target_, token, message);
}

int SystemAuth::answerToken(const std::string& challenge, std::string* token,
                            std::string* message) {
  return context_.nextToken(challenge, token, message);
}

}  // namespace velmora::components::proxy

#ifndef TAVRO_COMPONENTS_IPPORT_PROXY_NTLM_H_
#define TAVRO_COMPONENTS_IPPORT_PROXY_NTLM_H_

#include <array>
#include <cstdint>
#include <string>

#include "platform/crypto.h"

namespace velmora::components::proxy {

/// Negotiate flags of our first message: Unicode, OEM, request target, NTLM,
/// always sign, extended session security, version, 128-bit, 56-bit.
constexpr uint32_t kNtlmNegotiateFlags = 0xA2088207u;
constexpr uint32_t kNtlmFlagUnicode = 0x00000001u;
constexpr uint32_t kNtlmFlagOem = 0x00000002u;
constexpr uint32_t kNtlmFlagNtlm = 0x00000200u;
constexpr uint32_t kNtlmFlagExtendedSecurity = 0x00080000u;

using NtlmChallengeBytes = std::array<uint8_t, 8>;

/// The account the built-in NTLM authenticates: "domain\user" is split at
/// the first backslash (no backslash: no domain).
struct NtlmIdentity {
  std::string domain;
  std::string user;
  std::string password;
};
NtlmIdentity splitNtlmUser(const std::string& user, const std::string& password);

/// What the built-in NTLM takes from the server's challenge message.
struct NtlmChallenge {
  uint32_t flags = 0;
  NtlmChallengeBytes serverChallenge{};
};

/// The negotiate (type 1) message with kNtlmNegotiateFlags and the domain.
std::string ntlmNegotiateMessage(const std::string& domain);

/// Checks and reads a challenge (type 2) message. False with the text to
/// report when the signature, type, character set or NTLM version is
/// missing or the message is shorter than its fixed part.
bool parseNtlmChallenge(const std::string& message, NtlmChallenge* challenge, std::string* error);

/// The LM and NT password hashes of NTLM version 1.
platform::Digest16 ntlmLmHash(const std::string& password);
platform::Digest16 ntlmNtHash(const std::string& password);

/// The 24-byte response: the 8 bytes encrypted with the three DES keys
/// taken from the hash padded to 21 bytes.
std::string ntlmDesResponse(const platform::Digest16& hash, const NtlmChallengeBytes& data);

struct NtlmResponses {
  std::string lm;
  std::string nt;
};
/// Version 1 responses; with extended session security in the challenge
/// flags, the session form built from `clientNonce`.
NtlmResponses ntlmResponses(const std::string& password, const NtlmChallenge& challenge,
                            const NtlmChallengeBytes& clientNonce);

/// The authenticate (type 3) message answering `challenge`, with an empty
/// workstation name.
std::string ntlmAuthenticateMessage(const NtlmIdentity& identity, const NtlmChallenge& challenge,
                                    const NtlmChallengeBytes& clientNonce);

}  // namespace velmora::components::proxy

#endif  // TAVRO_COMPONENTS_IPPORT_PROXY_NTLM_H_

#include "components/ipport/proxy/ntlm.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/crypto.h"

namespace velmora::components::proxy {
namespace {

std::string hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

std::string hex(const platform::Digest16& digest) {
  return hex(std::string(digest.begin(), digest.end()));
}

constexpr NtlmChallengeBytes kServerChallenge = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef};
constexpr NtlmChallengeBytes kClientNonce = {0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa};

TEST(Crypto, PrimitivesMatchTheirPublishedVectors) {
  platform::Digest16 digest;
  ASSERT_TRUE(platform::md4Digest(reinterpret_cast<const uint8_t*>("abc"), 3, &digest));
  EXPECT_EQ(hex(digest), "a448017aaf21d8525fc10ae87aa6729d");
  ASSERT_TRUE(platform::md5Digest(reinterpret_cast<const uint8_t*>("abc"), 3, &digest));
  EXPECT_EQ(hex(digest), "900150983cd24fb0d6963f7d28e17f72");
  const char* key = "Jefe";
  const char* data = "what do ya want for nothing?";
  ASSERT_TRUE(platform::hmacMd5(reinterpret_cast<const uint8_t*>(key), 4,
                                reinterpret_cast<const uint8_t*>(data), std::strlen(data),
                                &digest));
  EXPECT_EQ(hex(digest), "750c783e6ab0b503eaa86e310a5db738");
  platform::DesBlock des;
  ASSERT_TRUE(platform::desEncrypt({0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1},
                                   {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, &des));
  EXPECT_EQ(hex(std::string(des.begin(), des.end())), "85e813540f0ab405");
}

// The protocol's published example: user "User", domain "Domain",
// password "Password".
TEST(Ntlm, VersionOneResponsesMatchThePublishedExample) {
  EXPECT_EQ(hex(ntlmNtHash("Password")), "a4f49c406510bdcab6824ee7c30fd852");
  EXPECT_EQ(hex(ntlmLmHash("Password")), "e52cac67419a9a224a3b108f3fa6cb6d");
  NtlmChallenge challenge;
  challenge.flags = kNtlmFlagUnicode | kNtlmFlagNtlm;
  challenge.serverChallenge = kServerChallenge;
  NtlmResponses responses = ntlmResponses("Password", challenge, kClientNonce);
  EXPECT_EQ(hex(responses.nt), "67c43011f30298a2ad35ece64f16331c44bdbed927841f94");
  EXPECT_EQ(hex(responses.lm), "98def7b87f88aa5dafe2df779688a172def11c7d5ccdef13");
}

TEST(Ntlm, ExtendedSecurityUsesTheClientNonce) {
  NtlmChallenge challenge;
  challenge.flags = kNtlmFlagUnicode | kNtlmFlagNtlm | kNtlmFlagExtendedSecurity;
  challenge.serverChallenge = kServerChallenge;
  NtlmResponses responses = ntlmResponses("Password", challenge, kClientNonce);
  EXPECT_EQ(hex(responses.lm), "aaaaaaaaaaaaaaaa00000000000000000000000000000000");
  EXPECT_EQ(hex(responses.nt), "7537f803ae367128ca458204bde7caf81e97ed2683267232");
}

// A second published example, with a mixed-case password of 8 characters.
TEST(Ntlm, LmHashUppercasesAndPadsThePassword) {
  EXPECT_EQ(hex(ntlmLmHash("SecREt01")), "ff3750bcc2b22412c2265b23734e0dac");
  EXPECT_EQ(hex(ntlmNtHash("SecREt01")), "cd06ca7c7e10c99b1d33b7485a2ed808");
  EXPECT_EQ(hex(ntlmDesResponse(ntlmLmHash("SecREt01"), kServerChallenge)),
            "c337cd5cbd44fc9782a667af6d427c6de67c20c2d3e77c56");
  EXPECT_EQ(hex(ntlmDesResponse(ntlmNtHash("SecREt01"), kServerChallenge)),
            "25a98c1c31e81847466b29b2df4680f39958fb8c213a9cc6");
}

TEST(Ntlm, UserSplitsAtTheFirstBackslash) {
  NtlmIdentity identity = splitNtlmUser("CORP\\jo\\x", "pw");
  EXPECT_EQ(identity.domain, "CORP");
  EXPECT_EQ(identity.user, "jo\\x");
  identity = splitNtlmUser("jo", "pw");
  EXPECT_EQ(identity.domain, "");
  EXPECT_EQ(identity.user, "jo");
}

TEST(Ntlm, NegotiateMessageCarriesFlagsAndDomain) {
  std::string message = ntlmNegotiateMessage("CORP");
  ASSERT_EQ(message.size(), 44u);
  EXPECT_EQ(message.substr(0, 8), std::string("NTLMSSP\0", 8));
  EXPECT_EQ(hex(message.substr(8, 8)), "01000000078208a2");
  EXPECT_EQ(hex(message.substr(16, 8)), "0400040028000000");
  EXPECT_EQ(message.substr(40), "CORP");
}

std::string challengeMessage(uint32_t type, uint32_t flags) {
  std::string message("NTLMSSP\0", 8);
  message.resize(48, '\0');
  message[8] = static_cast<char>(type);
  for (int i = 0; i < 4; ++i) message[20 + i] = static_cast<char>((flags >> (8 * i)) & 0xFF);
  std::memcpy(&message[24], kServerChallenge.data(), 8);
  return message;
}

TEST(Ntlm, ChallengeChecksGiveTheFourTexts) {
  const std::string prefix = "Could not process server's NTLM authentication token: ";
  NtlmChallenge parsed;
  std::string error;
  EXPECT_FALSE(parseNtlmChallenge("NTLMSSP", &parsed, &error));
  EXPECT_EQ(error, prefix + "invalid signature.");
  std::string wrongSignature = challengeMessage(2, 0x201);
  wrongSignature[0] = 'X';
  EXPECT_FALSE(parseNtlmChallenge(wrongSignature, &parsed, &error));
  EXPECT_EQ(error, prefix + "invalid signature.");
  EXPECT_FALSE(parseNtlmChallenge(challengeMessage(3, 0x201), &parsed, &error));
  EXPECT_EQ(error, prefix + "invalid message type.");
  EXPECT_FALSE(parseNtlmChallenge(challengeMessage(2, 0x200), &parsed, &error));
  EXPECT_EQ(error, prefix + "no charset negotiated.");
  EXPECT_FALSE(parseNtlmChallenge(challengeMessage(2, 0x1), &parsed, &error));
  EXPECT_EQ(error, prefix + "no NTLM version negotiated.");
  ASSERT_TRUE(parseNtlmChallenge(challengeMessage(2, 0x80201), &parsed, &error));
  EXPECT_EQ(parsed.flags, 0x80201u);
  EXPECT_EQ(parsed.serverChallenge, kServerChallenge);
}

TEST(Ntlm, AuthenticateMessagePointsAtItsFields) {
  NtlmChallenge challenge;
  challenge.flags = kNtlmFlagUnicode | kNtlmFlagNtlm;
  challenge.serverChallenge = kServerChallenge;
  std::string message =
      ntlmAuthenticateMessage(splitNtlmUser("Domain\\User", "Password"), challenge, kClientNonce);
  auto field = [&](size_t at) {
    size_t length = static_cast<uint8_t>(message[at]) | static_cast<uint8_t>(message[at + 1]) << 8;
    size_t offset = static_cast<uint8_t>(message[at + 4]) | static_cast<uint8_t>(message[at + 5])
                                                                << 8;
    EXPECT_LE(offset + length, message.size());
    return message.substr(offset, length);
  };
  EXPECT_EQ(message[8], 3);
  EXPECT_EQ(hex(field(20)), "67c43011f30298a2ad35ece64f16331c44bdbed927841f94");
  EXPECT_EQ(field(28), std::string("D\0o\0m\0a\0i\0n\0", 12));
  EXPECT_EQ(field(36), std::string("U\0s\0e\0r\0", 8));
  EXPECT_EQ(field(44), "");
}

}  // namespace
}  // namespace velmora::components::proxy

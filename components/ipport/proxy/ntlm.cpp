#include "components/ipport/proxy/ntlm.h"

#include <cstring>

#include "platform/codepage.h"

namespace velmora::components::proxy {
namespace {

constexpr char kSignature[] = "NTLMSSP";  // with its NUL: 8 bytes
constexpr size_t kNegotiateHeader = 40;
constexpr size_t kChallengeMinimum = 32;
constexpr size_t kAuthenticateHeader = 72;
// Version field: 6.1, build 7600, NTLM revision 15.
constexpr uint8_t kVersion[8] = {6, 1, 0xB0, 0x1D, 0, 0, 0, 15};

void putLe16(std::string* out, size_t at, uint32_t value) {
  (*out)[at] = static_cast<char>(value & 0xFF);
  (*out)[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void putLe32(std::string* out, size_t at, uint32_t value) {
  putLe16(out, at, value & 0xFFFF);
  putLe16(out, at + 2, value >> 16);
}

uint32_t readLe32(const std::string& data, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(data[at + i]);
  return value;
}

std::string header(uint32_t type, size_t size) {
  std::string out(size, '\0');
  std::memcpy(&out[0], kSignature, sizeof(kSignature));
  putLe32(&out, 8, type);
  return out;
}

// Appends `payload` at the end and points the 8-byte field at `field` to it.
void appendField(std::string* message, size_t field, const std::string& payload) {
  putLe16(message, field, static_cast<uint32_t>(payload.size()));
  putLe16(message, field + 2, static_cast<uint32_t>(payload.size()));
  putLe32(message, field + 4, static_cast<uint32_t>(message->size()));
  *message += payload;
}

std::string toUtf16Le(const std::string& text) {
  std::u16string wide;
  platform::bytesToWide(platform::kCodePageAnsi, text.data(), text.size(), &wide);
  std::string out;
  for (char16_t c : wide) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

// Spreads 7 key bytes over the 8 bytes of a DES key (parity bits left 0).
platform::DesBlock desKey(const uint8_t* seven) {
  platform::DesBlock key;
  key[0] = seven[0];
  for (int i = 1; i < 7; ++i) {
    key[i] = static_cast<uint8_t>((seven[i - 1] << (8 - i)) | (seven[i] >> i));
  }
  key[7] = static_cast<uint8_t>(seven[6] << 1);
  for (uint8_t& b : key) b &= 0xFE;
  return key;
}

std::string bytesOf(const uint8_t* data, size_t length) {
  return std::string(reinterpret_cast<const char*>(data), length);
}

}  // namespace

NtlmIdentity splitNtlmUser(const std::string& user, const std::string& password) {
  NtlmIdentity identity;
  identity.password = password;
  size_t slash = user.find('\\');
  if (slash == std::string::npos) {
    identity.user = user;
  } else {
    identity.domain = user.substr(0, slash);
    identity.user = user.substr(slash + 1);
  }
  return identity;
}

std::string ntlmNegotiateMessage(const std::string& domain) {
  std::string message = header(1, kNegotiateHeader);
  putLe32(&message, 12, kNtlmNegotiateFlags);
  std::memcpy(&message[32], kVersion, sizeof(kVersion));
  appendField(&message, 16, domain);
  appendField(&message, 24, std::string());
  return message;
}

bool parseNtlmChallenge(const std::string& message, NtlmChallenge* challenge, std::string* error) {
  const char* prefix = "Could not process server's NTLM authentication token: ";
  if (message.size() < kChallengeMinimum ||
      std::memcmp(message.data(), kSignature, sizeof(kSignature)) != 0) {
    *error = std::string(prefix) + "invalid signature.";
    return false;
  }
  if (readLe32(message, 8) != 2) {
    *error = std::string(prefix) + "invalid message type.";
    return false;
  }
  challenge->flags = readLe32(message, 20);
  if ((challenge->flags & (kNtlmFlagUnicode | kNtlmFlagOem)) == 0) {
    *error = std::string(prefix) + "no charset negotiated.";
    return false;
  }
  if ((challenge->flags & (kNtlmFlagNtlm | kNtlmFlagExtendedSecurity)) == 0) {
    *error = std::string(prefix) + "no NTLM version negotiated.";
    return false;
  }
  std::memcpy(challenge->serverChallenge.data(), message.data() + 24, 8);
  return true;
}

platform::Digest16 ntlmLmHash(const std::string& password) {
  uint8_t key[14] = {};
  for (size_t i = 0; i < password.size() && i < sizeof(key); ++i) {
    char c = password[i];
    key[i] = static_cast<uint8_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  static const platform::DesBlock kMagic = {'K', 'G', 'S', '!', '@', '#', '$', '%'};
  platform::Digest16 hash;
  platform::DesBlock half;
  for (int i = 0; i < 2; ++i) {
    platform::desEncrypt(desKey(key + 7 * i), kMagic, &half);
    std::memcpy(hash.data() + 8 * i, half.data(), 8);
  }
  return hash;
}

platform::Digest16 ntlmNtHash(const std::string& password) {
  std::string wide = toUtf16Le(password);
  platform::Digest16 hash;
  platform::md4Digest(reinterpret_cast<const uint8_t*>(wide.data()), wide.size(), &hash);
  return hash;
}

std::string ntlmDesResponse(const platform::Digest16& hash, const NtlmChallengeBytes& data) {
  uint8_t padded[21] = {};
  std::memcpy(padded, hash.data(), hash.size());
  platform::DesBlock plain;
  std::memcpy(plain.data(), data.data(), 8);
  std::string response;
  platform::DesBlock block;
  for (int i = 0; i < 3; ++i) {
    platform::desEncrypt(desKey(padded + 7 * i), plain, &block);
    response += bytesOf(block.data(), block.size());
  }
  return response;
}

NtlmResponses ntlmResponses(const std::string& password, const NtlmChallenge& challenge,
                            const NtlmChallengeBytes& clientNonce) {
  NtlmResponses responses;
  platform::Digest16 ntHash = ntlmNtHash(password);
  if ((challenge.flags & kNtlmFlagExtendedSecurity) == 0) {
    responses.lm = ntlmDesResponse(ntlmLmHash(password), challenge.serverChallenge);
    responses.nt = ntlmDesResponse(ntHash, challenge.serverChallenge);
    return responses;
  }
  responses.lm = bytesOf(clientNonce.data(), 8) + std::string(16, '\0');
  uint8_t both[16];
  std::memcpy(both, challenge.serverChallenge.data(), 8);
  std::memcpy(both + 8, clientNonce.data(), 8);
  platform::Digest16 sessionHash;
  platform::md5Digest(both, sizeof(both), &sessionHash);
  NtlmChallengeBytes session;
  std::memcpy(session.data(), sessionHash.data(), 8);
  responses.nt = ntlmDesResponse(ntHash, session);
  return responses;
}

std::string ntlmAuthenticateMessage(const NtlmIdentity& identity, const NtlmChallenge& challenge,
                                    const NtlmChallengeBytes& clientNonce) {
  bool unicode = (challenge.flags & kNtlmFlagUnicode) != 0;
  uint32_t flags = challenge.flags & kNtlmNegotiateFlags;
  flags = unicode ? (flags & ~kNtlmFlagOem) : (flags | kNtlmFlagOem);
  auto text = [unicode](const std::string& s) { return unicode ? toUtf16Le(s) : s; };
  NtlmResponses responses = ntlmResponses(identity.password, challenge, clientNonce);
  std::string message = header(3, kAuthenticateHeader);
  putLe32(&message, 60, flags);
  std::memcpy(&message[64], kVersion, sizeof(kVersion));
  appendField(&message, 12, responses.lm);
  appendField(&message, 20, responses.nt);
  appendField(&message, 28, text(identity.domain));
  appendField(&message, 36, text(identity.user));
  appendField(&message, 44, std::string());
  appendField(&message, 52, std::string());
  return message;
}

}  // namespace velmora::components::proxy

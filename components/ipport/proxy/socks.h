#ifndef TAVRO_COMPONENTS_IPPORT_PROXY_SOCKS_H_
#define TAVRO_COMPONENTS_IPPORT_PROXY_SOCKS_H_

#include <cstdint>
#include <string>

namespace velmora::components::proxy {

constexpr size_t kSocks4ReplySize = 8;
constexpr size_t kSocks5MethodReplySize = 2;
constexpr size_t kSocks5AuthReplySize = 2;
constexpr size_t kSocks5ReplySize = 10;
constexpr uint8_t kSocks5MethodNone = 0;
constexpr uint8_t kSocks5MethodPassword = 2;
constexpr uint8_t kSocks5NoAcceptableMethod = 255;

/// The SOCKS4 connect request; `address` is an IPv4 address in network
/// order (its bytes in memory are the dotted parts in order).
std::string socks4Request(uint32_t address, int port, const std::string& user);

/// The failure text of a SOCKS4 reply code, empty for 90 (granted).
std::string socks4ReplyText(uint8_t code);

/// The greeting: both methods when user and password are set, else none.
std::string socks5Greeting(bool withPassword);

/// The user name and password sub-negotiation; both fields must be at most
/// 255 bytes (the caller cuts them).
std::string socks5PasswordRequest(const std::string& user, const std::string& password);

/// The connect request with an IPv4 address (network order).
std::string socks5ConnectByAddress(uint32_t address, int port);
/// The connect request with a host name the proxy resolves; false when the
/// name does not fit its length byte (1 to 255 bytes).
bool socks5ConnectByName(const std::string& name, int port, std::string* request);

/// The whole length of a SOCKS5 connect reply by the type of its bound
/// address (IPv4 10, name 7 + its length, IPv6 22; unknown types 10), so
/// no part of it is taken for tunnel data.
size_t socks5ReplyLength(uint8_t addressType, uint8_t nameLength);
/// Bytes of a reply needed to know its length.
constexpr size_t kSocks5ReplyHead = 5;

/// The failure text of a SOCKS5 reply code, empty for 0 (succeeded).
std::string socks5ReplyText(uint8_t code);

/// The failure text of a method choice we did not offer, empty for the
/// methods none and password.
std::string socks5MethodText(uint8_t method);

}  // namespace velmora::components::proxy

#endif  // TAVRO_COMPONENTS_IPPORT_PROXY_SOCKS_H_

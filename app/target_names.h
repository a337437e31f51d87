#ifndef TAVRO_APP_TARGET_NAMES_H_
#define TAVRO_APP_TARGET_NAMES_H_

#include <string>

namespace velmora::network {
class NetworkInterfacesBase;
}

/// How a target is written when it is written as IPv6, which is decided
/// before a "host:port" split (an IPv6 address is full of colons).
enum class IPv6Form {
  kNone,         // not IPv6: split at ":" as any other text
  kAddress,      // "address" or "[address]": ICMP mode
  kAddressPort,  // "[address]:port": TCP mode
  kRefused,      // "[...]" that holds no IPv6 address: an unknown host
};

struct IPv6Target {
  IPv6Form form = IPv6Form::kNone;
  /// The address in numeric form (zone kept); as written when its zone
  /// names no interface here, so that resolving it fails.
  std::string address;
  /// The text after "]:", for kAddressPort.
  std::string port;
};

/// Reads the IPv6 forms of a target; kNone for every other text.
IPv6Target readIPv6Target(const std::string& text);

/// True for a numeric IPv6 address with an optional "%zone" suffix (an
/// interface name or number), whether or not the zone exists.
bool isIPv6Literal(const std::string& text);

/// Number of dot-separated integer groups of a partial numeric address
/// (1 to 3); 0 when the target is no such address.
int countAddressParts(const std::string& target);

/// The target with the first 4 - n groups of the first usable local
/// interface address put in front; unchanged when there is none.
std::string completePartialAddress(int n, const std::string& target);

/// As above, with the interfaces taken from `interfaces` (listed without
/// connection details).
std::string completePartialAddress(int n, const std::string& target,
                                   velmora::network::NetworkInterfacesBase& interfaces);

/// True for exactly four dot-joined decimal groups of one to three digits,
/// each below 256, in 7 to 15 characters.
bool isValidIpv4Address(const std::string& text);

/// The host name of `address` (IPv4, or IPv6 under IP6.ARPA) from a DNS PTR
/// query that bypasses the resolver cache and the hosts file; the address
/// itself when none is found.
std::string reverseLookup(const std::string& address);

/// "a.b.c.d" -> "d.c.b.a"; empty unless the text has exactly four parts.
std::string reversedAddressName(const std::string& address);

/// The 32 nibbles of an IPv6 address, lowest first and dot-joined, as the
/// PTR name under IP6.ARPA wants them; empty unless `address` is an IPv6
/// address (a zone is ignored).
std::string reversedIPv6Name(const std::string& address);

#endif  // TAVRO_APP_TARGET_NAMES_H_

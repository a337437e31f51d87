#ifndef TAVRO_APP_TARGET_NAMES_H_
#define TAVRO_APP_TARGET_NAMES_H_

#include <string>

namespace velmora::network {
class NetworkInterfacesBase;
}

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

/// The host name of `address` from a DNS PTR query that bypasses the
/// resolver cache and the hosts file; the address itself when none is found.
std::string reverseLookup(const std::string& address);

/// "a.b.c.d" -> "d.c.b.a"; empty unless the text has exactly four parts.
std::string reversedAddressName(const std::string& address);

#endif  // TAVRO_APP_TARGET_NAMES_H_

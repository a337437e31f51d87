#ifndef TAVRO_COMPONENTS_IPPORT_PROXY_AUTO_DETECT_H_
#define TAVRO_COMPONENTS_IPPORT_PROXY_AUTO_DETECT_H_

#include <string>

namespace velmora::components::proxy {

/// The SOCKS proxy of a proxy server list ("http=a:80;socks=b:1081"): the
/// entry after "socks=" (case-sensitive) up to the next ";", split at its
/// first ":". False unless some text follows the colon. `port` is 0 when
/// the port text is not a non-zero number.
bool findSocksProxy(const std::string& list, std::string* host, int* port);

}  // namespace velmora::components::proxy

#endif  // TAVRO_COMPONENTS_IPPORT_PROXY_AUTO_DETECT_H_

#ifndef TAVRO_PLATFORM_PROXY_SETTINGS_H_
#define TAVRO_PLATFORM_PROXY_SETTINGS_H_

#include <string>

namespace velmora::platform {

/// The user's proxy server list in the form of the Windows Internet Settings
/// "ProxyServer" value (for example "http=p:80;socks=s:1080"), when a proxy
/// is enabled. Windows: the current user's "Internet Settings" key under
/// Software\Microsoft\Windows\CurrentVersion, "ProxyEnable" non-zero and
/// "ProxyServer" (at most 399 bytes). POSIX: the SOCKS proxy of the
/// environment, `socks_proxy` or else `ALL_PROXY`/`all_proxy` when it names
/// a socks scheme, given as "socks=host:port". False when none is set.
bool readProxyServerList(std::string* list);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_PROXY_SETTINGS_H_

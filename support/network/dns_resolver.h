#ifndef TAVRO_SUPPORT_NETWORK_DNS_RESOLVER_H_
#define TAVRO_SUPPORT_NETWORK_DNS_RESOLVER_H_

#include <cstring>
#include <vector>

#include "components/ipinfo/ipinfo.h"
#include "platform/inet.h"
#include "support/network/resolver_instances.h"
#include "support/text_utils.h"

namespace velmora::network {

/// Resolves a host name or address text to the first IPv4 address the
/// system's resolver returns (the first IPv6 one when it returns no IPv4
/// address), and keeps the text of the last error.
template <class StringT>
class DnsResolver : public IPInfo {
 public:
  /// The IPInfo base creates the component object; the first resolver alive
  /// initialises the component library, the last one cleans it up.
  DnsResolver() { acquireResolverInstance(); }
  ~DnsResolver() override { releaseResolverInstance(); }

  /// The component's error event: its description becomes the error text.
  int FireError(ErrorEventParams* e) override {
    errorText = StringT(e->description);
    errorEventSeen = true;
    return 0;
  }
  DnsResolver(const DnsResolver&) = delete;
  DnsResolver& operator=(const DnsResolver&) = delete;

  /// The first IPv4 address of `host` in dotted text, else its first IPv6
  /// address in numeric form (zone kept), or empty. A failed lookup sets
  /// lastError() to the system's text for its error code; an answer without
  /// either leaves it alone.
  StringT resolve(const StringT& host);

  /// The text of the last error; empty until one happened.
  StringT lastError() const { return errorText; }

 protected:
  bool errorEventSeen = false;
  StringT errorText;
};

template <class StringT>
StringT DnsResolver<StringT>::resolve(const StringT& host) {
  // The system's name limit: a longer text is cut to 254 characters, the
  // way a 256-byte buffer with its terminator would hold it.
  constexpr size_t kNameBufferSize = 256;
  char node[kNameBufferSize] = {};
  const size_t length = host.size() <= kNameBufferSize - 1 ? host.size() : kNameBufferSize - 2;
  std::memcpy(node, host.data(), length);

  std::vector<platform::ResolvedAddress> answers;
  const int error = platform::getAddrInfo(node, "0", &answers);
  if (error != 0) {
    errorText = formatWindowsError(static_cast<uint32_t>(error));
    return StringT();
  }
  // IPv4 first, whatever the answer's order, so that a name with both
  // kinds is probed as it always was; IPv6 only for a name without IPv4.
  for (int family : {4, 6}) {
    for (const platform::ResolvedAddress& answer : answers) {
      if (answer.family == family) return StringT(answer.text.begin(), answer.text.end());
    }
  }
  return StringT();
}

}  // namespace velmora::network

#endif  // TAVRO_SUPPORT_NETWORK_DNS_RESOLVER_H_

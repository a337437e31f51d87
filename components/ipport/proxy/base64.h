#ifndef TAVRO_COMPONENTS_IPPORT_PROXY_BASE64_H_
#define TAVRO_COMPONENTS_IPPORT_PROXY_BASE64_H_

#include <string>

namespace velmora::components::proxy {

/// Standard Base64 with padding and no line breaks.
std::string base64Encode(const std::string& data);

/// Decodes standard Base64; blanks around the text are ignored. False (and
/// `out` empty) on any other character, misplaced padding or a length that
/// is not a whole number of groups.
bool base64Decode(const std::string& text, std::string* out);

}  // namespace velmora::components::proxy

#endif  // TAVRO_COMPONENTS_IPPORT_PROXY_BASE64_H_

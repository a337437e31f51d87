#ifndef TAVRO_COMPONENTS_FRAME_WINSOCK_TEXT_H_
#define TAVRO_COMPONENTS_FRAME_WINSOCK_TEXT_H_

#include <string>

namespace velmora::components {

/// The components' own short text for a Winsock code, or null when the code
/// has none.
const char* winsockErrorText(int code);

/// "[" + code + "] " + the text, or "(no description available)".
std::string describeWinsockError(int code);

/// The text a failed call leaves when it set none itself: "Interrupted." for
/// 301, "Out of memory." for 200, else describeWinsockError.
std::string completionText(int code);

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_FRAME_WINSOCK_TEXT_H_

#ifndef TAVRO_COMPONENTS_FRAME_RESULT_CODES_H_
#define TAVRO_COMPONENTS_FRAME_RESULT_CODES_H_

namespace velmora::components {

/// Result codes common to both components.
constexpr int kSuccess = 0;
/// A configuration key no layer knows; also Set of an unknown or read-only id.
constexpr int kUnknownSetting = -1;
constexpr int kOutOfMemory = 200;
/// A blocking wait ended by time-out, interrupt, WM_QUIT/WM_CLOSE or a lost window.
constexpr int kWaitEnded = 301;
constexpr int kConversionFailed = 434;
/// An unexpected C++ exception stopped inside a flat call.
constexpr int kInternalError = 999;

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_FRAME_RESULT_CODES_H_

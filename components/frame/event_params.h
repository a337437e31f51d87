#ifndef TAVRO_COMPONENTS_FRAME_EVENT_PARAMS_H_
#define TAVRO_COMPONENTS_FRAME_EVENT_PARAMS_H_

/// The `Error` event record both components deliver to their wrapper: error
/// code, description, and the reserved field (always 0).
struct ErrorEventParams {
  int errorCode;
  const char* description;
  int reserved;
};

#endif  // TAVRO_COMPONENTS_FRAME_EVENT_PARAMS_H_

#ifndef TAVRO_COMPONENTS_IPINFO_IPINFO_H_
#define TAVRO_COMPONENTS_IPINFO_IPINFO_H_

#include "components/frame/event_params.h"
#include "velmora_components.h"

/// Event 2 of IPInfo: a finished lookup; the reserved field is 0.
struct RequestCompleteEventParams {
  int requestId;
  int statusCode;
  const char* description;
  int reserved;
};

/// The C++ wrapper of an IPInfo instance: constructing it creates the
/// instance with dispatchEvent as callback; destroying it destroys the
/// instance. A derived class overrides the events it wants.
class IPInfo {
 public:
  IPInfo();
  IPInfo(const IPInfo&) = delete;
  IPInfo& operator=(const IPInfo&) = delete;

  void* handle() const { return handle_; }

  virtual int FireError(ErrorEventParams* e);
  virtual int FireRequestComplete(RequestCompleteEventParams* e);
  /// Every event with an id above kWideIdOffset (the wide re-raise), with the
  /// offset taken off.
  virtual int FireWideEvent(int eventId, int paramCount, void* params[], int lengths[]);
  virtual ~IPInfo();

  static int VELMORA_CALL dispatchEvent(void* context, int eventId, int paramCount, void* params[],
                                        int lengths[]);

 protected:
  void* handle_;
};

#endif  // TAVRO_COMPONENTS_IPINFO_IPINFO_H_

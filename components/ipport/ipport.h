#ifndef TAVRO_COMPONENTS_IPPORT_IPPORT_H_
#define TAVRO_COMPONENTS_IPPORT_IPPORT_H_

#include "components/frame/event_params.h"
#include "velmora_components.h"

/// Event records of IPPort; each ends with a reserved field that is 0.
struct ConnectedEventParams {
  int statusCode;
  const char* description;
  int reserved;
};
struct ConnectionStatusEventParams {
  const char* connectionEvent;
  int statusCode;
  const char* description;
  int reserved;
};
struct DataInEventParams {
  const char* text;  // NUL after the last byte
  int eol;
  int lenText;
  int reserved;
};
struct DisconnectedEventParams {
  int statusCode;
  const char* description;
  int reserved;
};
struct ReadyToSendEventParams {
  int reserved;
};

/// The C++ wrapper of an IPPort instance: constructing it creates the
/// instance with dispatchEvent as callback; a derived class overrides the
/// events it wants (each returns 0 by default).
class IPPort {
 public:
  IPPort();
  IPPort(const IPPort&) = delete;
  IPPort& operator=(const IPPort&) = delete;

  void* handle() const { return handle_; }

  virtual int FireConnected(ConnectedEventParams* e);
  virtual int FireConnectionStatus(ConnectionStatusEventParams* e);
  virtual int FireDataIn(DataInEventParams* e);
  virtual int FireDisconnected(DisconnectedEventParams* e);
  virtual int FireError(ErrorEventParams* e);
  virtual int FireReadyToSend(ReadyToSendEventParams* e);
  /// Every event with an id above kWideIdOffset (the wide re-raise), with the
  /// offset taken off.
  virtual int FireWideEvent(int eventId, int paramCount, void* params[], int lengths[]);
  virtual ~IPPort();

  /// The ComponentEventCallback: `context` is the wrapper; copies the
  /// parameters into the event's record and calls its virtual function.
  static int VELMORA_CALL dispatchEvent(void* context, int eventId, int paramCount, void* params[],
                                        int lengths[]);

 protected:
  void* handle_;
};

#endif  // TAVRO_COMPONENTS_IPPORT_IPPORT_H_

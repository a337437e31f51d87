#ifndef TAVRO_COMPONENTS_FRAME_SOCKET_COMPONENT_H_
#define TAVRO_COMPONENTS_FRAME_SOCKET_COMPONENT_H_

#include <cstdint>
#include <string>

#include "components/frame/component_base.h"
#include "platform/event_loop.h"
#include "platform/socket.h"

namespace velmora::components {

/// Process-wide results of static initialisation.
struct FrameProcessState {
  void* moduleInstance = nullptr;
  int winsockStatus = 0;
  uint16_t winsockVersion = 0;
};
const FrameProcessState& frameProcessState();

/// The socket layer shared by both components: the instance's hidden window
/// (created here, destroyed with the instance), the wait step that pumps the
/// thread's messages while a blocking call waits, timeout and deadline,
/// interruption, and the configuration keys common to both components.
class SocketComponent : public ComponentBase, public platform::WindowHandler {
 public:
  /// WSAAsyncSelect notification message (WM_USER + 101).
  static constexpr uint32_t kSocketNotifyMessage = platform::kWmUser + 101;
  static constexpr int kDefaultSelectWaitMillis = 20;

  ~SocketComponent() override;

  platform::WindowHandle window() const { return window_; }
  platform::WindowHandle boundWindow() const override { return window_; }

  /// Default handling: ignored while IgnoreExternalEvents is set outside a
  /// wait step's dispatch, else DefWindowProcA. Layers above override it for
  /// their notifications and pass the rest here.
  intptr_t handleWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;

  /// One pass of message processing or waiting; 1 to go on waiting, 0 when
  /// the wait must end (interrupt or deadline set the message text; WM_QUIT,
  /// WM_CLOSE and a vanished window set none).
  virtual int waitStep(int waitMillis, platform::WindowHandle window);
  int waitStep() { return waitStep(selectWaitMillis_, window_); }

  /// Runs wait steps until `done()` holds after a step: 0, or kWaitEnded when
  /// a step ends the wait (the caller then returns that code).
  template <typename Done>
  int runWaitSteps(Done done) {
    while (true) {
      if (waitStep() == 0) return kWaitEnded;
      if (done()) return 0;
    }
  }

  /// deadline = now + timeout, or none in asynchronous mode.
  void armDeadline();
  void clearDeadline() { deadline_ = 0; }
  uint32_t deadline() const { return deadline_; }
  bool deadlinePassed() const;

  int timeoutMillis() const { return timeoutMillis_; }
  bool blockingMode() const { return timeoutMillis_ != 0; }
  /// The `Timeout` property in its unit (seconds, or ms with
  /// TimeoutInMilliseconds). Setting clears the deadline.
  int timeoutProperty() const;
  void setTimeoutProperty(int value);

  /// `DoEvents`: one wait step, result 0 whatever it returned.
  int doEvents();
  /// `Interrupt`: the next wait step ends the wait with "Interrupted.".
  int interrupt();
  bool interruptRequested() const { return interruptRequested_; }
  /// Every blocking operation drops a stale request when it starts.
  void clearInterrupt() { interruptRequested_ = false; }
  bool dispatching() const { return dispatching_; }

  int selectWaitMillis() const { return selectWaitMillis_; }
  bool absoluteTimeout() const { return absoluteTimeout_; }
  bool timeoutInMilliseconds() const { return timeoutInMilliseconds_; }
  bool useIPv6() const { return useIPv6_; }
  bool ignoreExternalEvents() const { return ignoreExternalEvents_; }
  bool useSystemSspi() const { return useSystemSspi_; }
  const std::string& kerberosSpn() const { return kerberosSpn_; }
  const std::string& recordToFile() const { return recordToFile_; }
  int inBufferSize() const { return inBufferSize_; }
  int outBufferSize() const { return outBufferSize_; }
  void setInBufferSize(int size) { inBufferSize_ = size; }
  void setOutBufferSize(int size) { outBufferSize_ = size; }

  int configure(const ConfigSetting& setting, std::string* answer) override;

 protected:
  /// Creates the hidden window; a failure leaves it null, and every blocking
  /// call then ends at its first wait step.
  SocketComponent();

  /// The instance's socket; kInvalidSocket when there is none.
  platform::SocketHandle socket_ = platform::kInvalidSocket;

 private:
  /// The window's receiver: each notification counts as a call into the
  /// instance, so a callback that destroys it does not free it under the
  /// handler still running.
  class WindowEntry final : public platform::WindowHandler {
   public:
    explicit WindowEntry(SocketComponent* owner) : owner_(owner) {}
    intptr_t handleWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    platform::WindowHandle boundWindow() const override { return owner_->window_; }

   private:
    SocketComponent* owner_;
  };

  bool consumeInterrupt();
  uint32_t waitWithinDeadline(uint32_t waitMillis) const;
  bool configureQosTrafficType(const ConfigSetting& setting, std::string* answer);

  WindowEntry windowEntry_{this};
  platform::WindowHandle window_ = nullptr;
  int timeoutMillis_ = 0;
  uint32_t deadline_ = 0;
  int selectWaitMillis_ = kDefaultSelectWaitMillis;
  int inBufferSize_ = 0;
  int outBufferSize_ = 0;
  bool timeoutInMilliseconds_ = false;
  bool useIPv6_ = false;
  bool absoluteTimeout_ = false;
  bool interruptRequested_ = false;
  bool dispatching_ = false;
  bool ignoreExternalEvents_ = false;
  bool useSystemSspi_ = true;
  std::string kerberosSpn_;
  std::string recordToFile_;
  int qosTrafficType_ = 0;
  int qosDscpValue_ = 0;
};

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_FRAME_SOCKET_COMPONENT_H_

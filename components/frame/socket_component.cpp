#include "components/frame/socket_component.h"

#include <limits>

#include "platform/ticks.h"

namespace velmora::components {

SocketComponent::SocketComponent() : window_(platform::createHiddenWindow(&windowEntry_)) {}

SocketComponent::~SocketComponent() {
  platform::WindowHandle window = window_;
  window_ = nullptr;
  if (window != nullptr) platform::destroyHiddenWindow(window);
}

intptr_t SocketComponent::handleWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (ignoreExternalEvents_ && !dispatching_) return 0;
  if (window_ == nullptr) return 0;
  return platform::defaultWindowProc(window_, message, wParam, lParam);
}

intptr_t SocketComponent::WindowEntry::handleWindowMessage(uint32_t message, uintptr_t wParam,
                                                           intptr_t lParam) {
  if (owner_->destroyRequested()) return 0;
  Entry entry(owner_);
  return owner_->handleWindowMessage(message, wParam, lParam);
}

bool SocketComponent::consumeInterrupt() {
  if (!interruptRequested_) return false;
  interruptRequested_ = false;
  setMessageText("Interrupted.");
  return true;
}

int SocketComponent::waitStep(int waitMillis, platform::WindowHandle window) {
  // A destroyed instance only unwinds to the call that will free it.
  if (destroyRequested() || consumeInterrupt()) return 0;
  platform::Message message;
  if (platform::peekMessage(&message)) {
    if (message.id == platform::kWmQuit) {
      // The application's own loop must still see the quit request.
      platform::postQuitMessage(static_cast<int>(message.wParam));
      return 0;
    }
    bool outer = dispatching_;
    dispatching_ = true;
    platform::dispatchMessage(message);
    dispatching_ = outer;
    if (destroyRequested()) return 0;
    if (message.id == platform::kWmClose || !platform::isWindow(window)) return 0;
  } else if (waitMillis > 0) {
    platform::waitForInput(waitWithinDeadline(static_cast<uint32_t>(waitMillis)));
  }
  if (consumeInterrupt()) return 0;
  if (deadlinePassed()) {
    setMessageText("Timeout.");
    return 0;
  }
  return platform::isWindow(window) ? 1 : 0;
}

uint32_t SocketComponent::waitWithinDeadline(uint32_t waitMillis) const {
  // Waking just after the deadline instead of up to a whole step later keeps
  // a time-out within a millisecond or two of its length. A deadline that
  // has already passed (a blocking call that timed out, an idle connection)
  // shortens nothing: a step with nothing to do still waits its whole time,
  // so an application's DoEvents loop never spins.
  if (deadline_ == 0) return waitMillis;
  int32_t left = static_cast<int32_t>(deadline_ - platform::tickCount());
  if (left < 0) return waitMillis;
  uint32_t untilPassed = static_cast<uint32_t>(left) + 1;
  return untilPassed < waitMillis ? untilPassed : waitMillis;
}

void SocketComponent::armDeadline() {
  if (timeoutMillis_ == 0) {
    deadline_ = 0;
    return;
  }
  deadline_ = platform::tickCount() + static_cast<uint32_t>(timeoutMillis_);
  if (deadline_ == 0) deadline_ = 1;  // 0 would mean "no deadline"
}

bool SocketComponent::deadlinePassed() const {
  // Compared as a signed distance so that the 49.7-day wrap of the tick
  // counter does not end or extend a wait.
  return deadline_ != 0 && static_cast<int32_t>(platform::tickCount() - deadline_) > 0;
}

int SocketComponent::timeoutProperty() const {
  return timeoutInMilliseconds_ ? timeoutMillis_ : timeoutMillis_ / 1000;
}

void SocketComponent::setTimeoutProperty(int value) {
  const int limit = std::numeric_limits<int>::max() / 1000;
  if (timeoutInMilliseconds_) {
    timeoutMillis_ = value;
  } else {
    timeoutMillis_ = value > limit ? limit * 1000 : value < -limit ? -limit * 1000 : value * 1000;
  }
  deadline_ = 0;
}

int SocketComponent::doEvents() {
  waitStep();
  return 0;
}

int SocketComponent::interrupt() {
  interruptRequested_ = true;
  return 0;
}

bool SocketComponent::configureQosTrafficType(const ConfigSetting& setting, std::string* answer) {
  if (!setting.is("QOSTrafficType")) return false;
  static const char* const kNames[] = {"BestEffort", "Background", "ExcellentEffort",
                                       "AudioVideo", "Voice",      "Control"};
  if (setting.isQuery) {
    *answer = configInteger(qosTrafficType_);
    return true;
  }
  ConfigSetting named;
  for (int i = 0; i < 6; ++i) {
    named.name = setting.value;
    if (named.is(kNames[i])) {
      qosTrafficType_ = i;
      return true;
    }
  }
  qosTrafficType_ = setting.intValue();
  return true;
}

int SocketComponent::configure(const ConfigSetting& setting, std::string* answer) {
  if (configIntField(setting, "SelectWaitMillis", &selectWaitMillis_, answer) ||
      configBoolField(setting, "AbsoluteTimeout", &absoluteTimeout_, answer) ||
      configBoolField(setting, "TimeoutInMilliseconds", &timeoutInMilliseconds_, answer) ||
      configBoolField(setting, "IgnoreExternalEvents", &ignoreExternalEvents_, answer) ||
      configureQosTrafficType(setting, answer) ||
      configIntField(setting, "QOSDSCPValue", &qosDscpValue_, answer) ||
      configBoolField(setting, "UseIPv6", &useIPv6_, answer) ||
      configTextField(setting, "KerberosSPN", &kerberosSpn_, answer) ||
      configBoolField(setting, "UseSystemSSPI", &useSystemSspi_, answer) ||
      configTextField(setting, "RecordToFile", &recordToFile_, answer)) {
    return 0;
  }
  const FrameProcessState& process = frameProcessState();
  if (setting.is("WinsockStatus")) {
    if (setting.isQuery) *answer = configInteger(process.winsockStatus);
    return 0;
  }
  if (setting.is("WinsockVersion")) {
    if (setting.isQuery) {
      *answer = std::to_string(process.winsockVersion & 0xFF) + "." +
                std::to_string(process.winsockVersion >> 8);
    }
    return 0;
  }
  return ComponentBase::configure(setting, answer);
}

}  // namespace velmora::components

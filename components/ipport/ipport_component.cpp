#include "components/ipport/ipport_component.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <vector>

#include "components/frame/flat_api.h"
#include "components/frame/frame_component.h"
#include "components/ipport/ipport_ids.h"
#include "platform/inet.h"

namespace velmora::components {
namespace {

using namespace ipport;

constexpr PropertyInfo kProperties[] = {
    {kVersionTagId, ValueKind::kText, kRead},
    {kReceiveEnabled, ValueKind::kBoolean, kReadWrite},
    {kBytesSent, ValueKind::kInteger, kRead},
    {kConnected, ValueKind::kBoolean, kReadWrite},
    {kDataToSend, ValueKind::kBytes, kWrite},
    {kLineTerminator, ValueKind::kBytes, kReadWrite},
    {kFirewallAutoDetect, ValueKind::kBoolean, kReadWrite},
    {kFirewallType, ValueKind::kInteger, kReadWrite},
    {kFirewallHost, ValueKind::kText, kReadWrite},
    {kFirewallPassword, ValueKind::kText, kReadWrite},
    {kFirewallPort, ValueKind::kInteger, kReadWrite},
    {kFirewallUser, ValueKind::kText, kReadWrite},
    {kTcpKeepAlive, ValueKind::kBoolean, kReadWrite},
    {kLinger, ValueKind::kBoolean, kReadWrite},
    {kLocalHost, ValueKind::kText, kReadWrite},
    {kLocalPort, ValueKind::kInteger, kReadWrite},
    {kRemoteHost, ValueKind::kText, kReadWrite},
    {kRemotePort, ValueKind::kInteger, kReadWrite},
    {kLineMode, ValueKind::kBoolean, kReadWrite},
    {kTimeout, ValueKind::kInteger, kReadWrite},
};

constexpr MethodInfo kMethods[] = {
    {kConfig, 2, {ParamKind::kText, ParamKind::kTextResult}},
    {kConnect, 2, {ParamKind::kText, ParamKind::kInteger}},
    {kDisconnect, 0, {}},
    {kDoEvents, 0, {}},
    {kGetLine, 1, {ParamKind::kTextResult}},
    {kInterrupt, 0, {}},
    {kSend, 1, {ParamKind::kBytes}},
    {kSendFile, 1, {ParamKind::kText}},
    {kSendLine, 1, {ParamKind::kText}},
};

constexpr int kFileChunk = 16384;
constexpr int kNoFileName = 3;
constexpr int kCannotOpen = 3;
constexpr int kReadFailed = 6;
constexpr int kShortRead = 10;
constexpr int kNotNonBlocking = 702;
constexpr size_t kLineStoreLines = 20;

const bool registered =
    registerComponent(ComponentKind::kIPPort, {&createIpPortComponent, nullptr, nullptr});

}  // namespace

ComponentBase* createIpPortComponent() {
  (void)registered;
  return new IPPortComponent();
}

const PropertyInfo* IPPortComponent::findProperty(int id) const {
  return findById(kProperties, id);
}

const MethodInfo* IPPortComponent::findMethod(int id) const { return findById(kMethods, id); }

intptr_t IPPortComponent::textResult(int id, std::string text) {
  // An unchanged text keeps its storage: a pointer from an earlier Get of
  // the same property stays valid.
  std::string& stored = texts_[id];
  if (stored != text) stored = std::move(text);
  return reinterpret_cast<intptr_t>(stored.c_str());
}

intptr_t IPPortComponent::getProperty(int id, int* length) {
  switch (id) {
    case kVersionTagId:
      return reinterpret_cast<intptr_t>(kComponentVersionTag);
    case kReceiveEnabled:
      return receiveEnabled();
    case kBytesSent:
      return bytesSent();
    case kConnected:
      return connected();
    case kLineTerminator:
      *length = static_cast<int>(lineTerminator().size());
      return textResult(id, lineTerminator());
    case kFirewallAutoDetect:
      return firewall().autoDetect;
    case kFirewallType:
      return firewall().type;
    case kFirewallHost:
      return textResult(id, firewall().address ? platform::inetNtoa(firewall().address) : "");
    case kFirewallPassword:
      return textResult(id, firewall().password);
    case kFirewallPort:
      return firewall().port;
    case kFirewallUser:
      return textResult(id, firewall().user);
    case kTcpKeepAlive:
      return tcpKeepAlive();
    case kLinger:
      return linger();
    case kLocalHost:
      return textResult(id, localHostText());
    case kLocalPort:
      return localPort();
    case kRemoteHost:
      return textResult(id, remoteHostText());
    case kRemotePort:
      return remotePort();
    case kLineMode:
      return lineMode();
    case kTimeout:
      return timeoutProperty();
    default:
      return 0;
  }
}

int IPPortComponent::setFlag(int id, bool on) {
  switch (id) {
    case kReceiveEnabled:
      return setReceiveEnabled(on);
    case kConnected:
      return setConnected(on);
    case kFirewallAutoDetect:
      return setFirewallAutoDetect(on);
    case kTcpKeepAlive:
      return setTcpKeepAlive(on);
    case kLinger:
      return setLinger(on);
    case kLineMode:
      return setLineMode(on);
    default:
      return kUnknownSetting;
  }
}

int IPPortComponent::setProperty(int id, const PropertyValue& value) {
  int number = static_cast<int>(value.word);
  switch (id) {
    case kDataToSend:
      return send(value.text, value.length);
    case kLineTerminator:
      return setLineTerminator(value.text, value.length);
    case kFirewallType:
      return setFirewallType(number);
    case kFirewallHost:
      return setFirewallHost(value.text);
    case kFirewallPassword:
      setFirewallPassword(value.text);
      return 0;
    case kFirewallPort:
      firewall().port = number;
      return 0;
    case kFirewallUser:
      setFirewallUser(value.text);
      return 0;
    case kLocalHost:
      return setLocalHost(value.text);
    case kLocalPort:
      return setLocalPort(number);
    case kRemoteHost:
      return setRemoteHost(value.text);
    case kRemotePort:
      return setRemotePort(number);
    case kTimeout:
      setTimeoutProperty(number);
      return 0;
    default:
      return setFlag(id, value.word != 0);
  }
}

int IPPortComponent::callMethod(int id, MethodArgs& args) {
  switch (id) {
    case kConfig:
      return callConfig(args);
    case kConnect:
      return connect(args.text(0), static_cast<int>(args.integer(1)));
    case kDisconnect:
      return disconnect();
    case kDoEvents:
      return doEvents();
    case kGetLine: {
      const char* line = "";
      int code = getLine(&line);
      args.setResult(0, line);
      return code;
    }
    case kInterrupt:
      return interrupt();
    case kSend: {
      int length = 0;
      const char* data = args.bytes(0, &length);
      return send(data, length);
    }
    case kSendFile:
      return sendFile(args.text(0));
    case kSendLine:
      return sendLine(args.text(0));
    default:
      return 0;
  }
}

void IPPortComponent::processData(char* data, int length, int eol) {
  if (lineStore_.size() > kLineStoreLines * static_cast<size_t>(maxLineLength())) {
    lineStore_.clear();
  }
  if (blockingMode()) {
    // Only a GetLine that waits keeps what arrives: a stream read through
    // DataIn is not copied.
    try {
      if (lineWaiting_) lineStore_.append(data, static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
      raiseEvent(kEventError, {EventArg::integerArg(kOutOfMemory),
                               EventArg::text("Out of memory in DataIn [IPPMsg].")});
    }
    if (eol == 1) {
      lineWaiting_ = false;
      if (lineMode()) enableReceive(false);
    }
  }
  raiseEvent(kEventDataIn, {EventArg::bytes(data, length), EventArg::integerArg(eol)});
}

int IPPortComponent::getLine(const char** line) {
  *line = "";
  if (!blockingMode()) {
    setMessageText("GetLine requires a positive Timeout value.");
    return kWaitEnded;
  }
  armDeadline();
  setLineMode(true);
  lineStore_.clear();
  if (!connected()) {
    setMessageText("Disconnected.");
    return kWaitEnded;
  }
  clearInterrupt();
  lineWaiting_ = true;
  enableReceive(true);
  for (int steps = 1; lineWaiting_; ++steps) {
    if (!connected()) {
      setMessageText("Disconnected.");
      return kWaitEnded;
    }
    if (waitStep() == 0) return kWaitEnded;
    // A safety net in case a read notification went missing.
    if (steps % 1000 == 0 && lineWaiting_ && hasSocket()) receiveLoop(0);
  }
  if (!absoluteTimeout()) armDeadline();
  *line = lineStore_.c_str();
  return 0;
}

int IPPortComponent::readAndSend(std::istream& file, int64_t size) {
  std::vector<char> buffer(kFileChunk);
  int64_t remaining = size;
  while (remaining > 0) {
    int piece = static_cast<int>(std::min<int64_t>(remaining, kFileChunk));
    file.read(buffer.data(), piece);
    if (file.bad()) return kReadFailed;
    if (file.gcount() != piece) return kShortRead;
    int code = sendBlocking(buffer.data(), piece);
    if (code != 0) return code;
    addFileTotal(piece);
    remaining -= piece;
  }
  return 0;
}

int IPPortComponent::sendFile(const char* name) {
  if (name == nullptr || *name == '\0') {
    setMessageText("You must provide the name of a file to send.");
    return kNoFileName;
  }
  if (!blockingMode()) {
    setMessageText("This operation cannot be performed in a non-blocking manner.");
    return kNotNonBlocking;
  }
  setFileSend(true, 0);
  std::ifstream file(name, std::ios::binary);
  int code = kCannotOpen;
  if (file) {
    file.seekg(0, std::ios::end);
    int64_t size = static_cast<int64_t>(file.tellg());
    file.seekg(0, std::ios::beg);
    code = size < 0 ? kReadFailed : readAndSend(file, size);
  }
  if (code == kCannotOpen) setMessageText("Cannot open file for reading.");
  if (code == kReadFailed || code == kShortRead) setMessageText("Error reading file.");
  if (!lineMode()) enableReceive(true);
  return code;
}

}  // namespace velmora::components

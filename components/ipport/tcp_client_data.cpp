#include <chrono>
#include <limits>

#include "components/ipport/tcp_client.h"

namespace velmora::components {
namespace {

constexpr int64_t kRateWindowMillis = 60000;

int64_t nowMillis() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Receive failures that end the loop quietly: nothing to read, or the
// connection is gone and its close notification follows.
bool isQuietReceiveError(int code) {
  return code == platform::kWsaEWouldBlock || code == platform::kWsaENotSock ||
         code == platform::kWsaEConnAborted || code == platform::kWsaEConnReset;
}

// The nearest whole number of a rate (not negative), halves away from zero as
// llround has them; done here so that the program needs no maths library.
int64_t roundHalfUp(double rate) {
  if (!(rate < static_cast<double>(std::numeric_limits<int64_t>::max()))) {
    return std::numeric_limits<int64_t>::max();
  }
  int64_t whole = static_cast<int64_t>(rate);
  // Exact: the fraction of a double below 2^63 needs no rounding.
  if (rate - static_cast<double>(whole) >= 0.5) ++whole;
  return whole;
}

}  // namespace

bool TcpClient::readingAllowed() const {
  return hasSocket() && (receiveEnabled_ || negotiator_) && !interruptRequested() &&
         !destroyRequested();
}

void TcpClient::deliver(char* data, int length, int eol) {
  // The event sees the bytes NUL-terminated without a copy; the storage
  // always has one byte beyond its capacity for this.
  char saved = data[length];
  data[length] = '\0';
  processData(data, length, eol);
  data[length] = saved;
}

void TcpClient::processData(char* data, int length, int eol) {
  raiseEvent(ipport::kEventDataIn, {EventArg::bytes(data, length), EventArg::integerArg(eol)});
}

// Delivers the complete lines; false when reading stopped meanwhile.
bool TcpClient::deliverLines(int) {
  char* line = nullptr;
  int length = 0;
  while (readingAllowed() && lineBuffer_.nextLine(&line, &length)) {
    deliver(line, length, 1);
  }
  return readingAllowed();
}

int TcpClient::receiveLoop(int mode) {
  bool outer = inReceiveLoop_;
  inReceiveLoop_ = true;
  int result = 0;
  bool again = true;
  while (again) {
    again = false;
    if (!deliverLines(mode)) break;
    if (lineBuffer_.freeSpace() == 0) {
      char* rest = nullptr;
      int length = 0;
      if (lineBuffer_.takeRest(&rest, &length)) deliver(rest, length, 0);
      again = true;
      continue;
    }
    if (mode == 0 && closePending_) break;
    result = receiveOnce(mode, &again);
  }
  inReceiveLoop_ = outer;
  // A close requested from a handler runs once the outermost loop is done;
  // the drain of a close in progress leaves it to that close.
  if (!outer && mode != 1 && closePending_ && hasSocket()) {
    closePending_ = false;
    return closeConnection(pendingCloseCode_, false);
  }
  // Bytes read ahead are data the socket no longer reports: as Winsock
  // posts FD_READ again after a receive that left data, so does this.
  if (!outer && connected_ && lineBuffer_.holdsReadAhead()) postReadNotification();
  return result;
}

// Each read that brings data restarts the deadline, once for all its chunks.
int TcpClient::readSocket(void* context, char* buffer, int length, int* received) {
  TcpClient* self = static_cast<TcpClient*>(context);
  const int code = platform::recvSocket(self->socket_, buffer, length, received);
  if (*received > 0 && !self->absoluteTimeout()) self->armDeadline();
  return code;
}

// One recv into the line buffer; `again` says whether the loop goes on.
int TcpClient::receiveOnce(int mode, bool* again) {
  int received = 0;
  char* data = nullptr;
  // A proxy's reply is read no further than it reaches, as the negotiator
  // moves the tunnel's first bytes within the chunk it was given.
  int code = lineBuffer_.receive(&readSocket, this, !negotiator_, platform::kWsaEWouldBlock, &data,
                                 &received);
  if (code != 0) {
    if (!isQuietReceiveError(code)) {
      std::string description = "socket error in recv: " + std::to_string(code);
      raiseEvent(ipport::kEventError,
                 {EventArg::integerArg(code), EventArg::text(description.c_str())});
    }
    return code;
  }
  if (received > 0) record_.recordReceived(data, received);
  if (received > 0 && negotiator_) {
    negotiateBytes(data, received);
    // Data that followed a completed negotiation waits in the line buffer.
    *again = !negotiator_ && hasSocket();
    return 0;
  }
  lineBuffer_.commit(received);
  if (received > 0 && mode == 0) {
    *again = true;
    return 0;
  }
  if (deliverLines(mode)) {
    char* rest = nullptr;
    int length = 0;
    if (lineBuffer_.takeRest(&rest, &length)) deliver(rest, length, 0);
  }
  if (mode == 2 && received > 0) *again = true;
  if (received == 0 && mode == 0) {
    // The end of the stream closes the connection once the loop returns.
    closePending_ = true;
  }
  return 0;
}

int TcpClient::setReceiveEnabled(bool on) {
  clearMessage();
  enableReceive(on);
  return 0;
}

void TcpClient::enableReceive(bool on) {
  receiveEnabled_ = on;
  if (!hasSocket()) return;
  if (connected_) {
    if (on) postReadNotification();
  } else if (connectPending_ && !inReceiveLoop_) {
    receiveLoop(2);
  }
}

int TcpClient::setLineMode(bool on) {
  lineBuffer_.setCrLfMode(on);
  lineBuffer_.setTerminator(on ? "\r\n" : "");
  if (on) enableReceive(false);
  lineMode_ = on;
  return 0;
}

int TcpClient::setLineTerminator(const char* data, int length) {
  lineBuffer_.setTerminator(std::string(data, static_cast<size_t>(length)));
  if (connected_) postReadNotification();
  return 0;
}

int TcpClient::setMaxLineLength(int length) {
  if (hasSocket()) {
    setMessageText("You cannot change MaxLineLength at this time. A connection is in progress.");
    return kLineLengthLocked;
  }
  lineBuffer_.setCapacity(length);
  return 0;
}

int TcpClient::bytesSent() const {
  return fileSend_ ? static_cast<int>(static_cast<uint32_t>(fileTotal_)) : lastSendCount_;
}

void TcpClient::setFileSend(bool on, int64_t total) {
  fileSend_ = on;
  fileTotal_ = total;
}

int TcpClient::sendAttempt(const char* data, int length, int* taken) {
  *taken = 0;
  clearMessage();
  if (!connected()) return platform::kWsaENotConn;
  if (length <= 0) return 0;
  int sent = 0;
  int code = platform::sendSocket(socket_, data, length, &sent);
  if (code != 0) {
    lastSendCount_ = 0;
    return code;
  }
  if (!absoluteTimeout()) armDeadline();
  lastSendCount_ = sent;
  record_.recordSent(data, sent);
  *taken = sent;
  return sent == length ? 0 : platform::kWsaEWouldBlock;
}

int64_t TcpClient::currentRate(int64_t now) const {
  int64_t elapsed = now - windowStart_;
  if (windowBytes_ == 0) return 0;
  // A burst within the window's first millisecond must count as fast, not as
  // no rate at all, or every send of a tight loop would pass unlimited.
  if (elapsed < 1) elapsed = 1;
  const double rate = static_cast<double>(windowBytes_) / (static_cast<double>(elapsed) / 1000.0);
  return roundHalfUp(rate);
}

int TcpClient::applyRateLimit() {
  int64_t now = nowMillis();
  int64_t idle = now - lastSendTime_;
  if (idle >= 0 && idle > kRateWindowMillis) {
    windowStart_ = lastSendTime_ = now;
    windowBytes_ = 0;
  }
  if (maxTransferRate_ == 0) return 0;
  while (currentRate(nowMillis()) > maxTransferRate_) {
    if (waitStep() == 0) return kWaitEnded;
  }
  return 0;
}

int TcpClient::sendBlocking(const char* data, int length) {
  clearInterrupt();
  if (length <= 0) return 0;
  int64_t total = 0;
  int code = 0;
  while (true) {
    if (applyRateLimit() != 0) {
      code = kWaitEnded;
      break;
    }
    int taken = 0;
    code = sendAttempt(data, length, &taken);
    windowBytes_ += taken;
    lastSendTime_ = nowMillis();
    total += taken;
    if (code != platform::kWsaEWouldBlock) break;
    data += taken;
    length -= taken;
    // After a partial send the rest is offered at once; only a send that took
    // nothing waits for the socket to drain.
    if (taken == 0 && waitStep() == 0) {
      code = kWaitEnded;
      break;
    }
    code = sendProgress(total);
    if (code != 0) break;
  }
  if (!lineMode_) enableReceive(true);
  return code;
}

int TcpClient::send(const char* data, int length) {
  fileSend_ = false;
  if (!blockingMode()) {
    int taken = 0;
    return sendAttempt(data, length, &taken);
  }
  return sendBlocking(data, length);
}

int TcpClient::sendLine(const char* text) {
  if (blockingMode()) armDeadline();
  std::string line = text;
  line += "\r\n";
  if (lineMode_) enableReceive(false);
  return send(line.data(), static_cast<int>(line.size()));
}

}  // namespace velmora::components

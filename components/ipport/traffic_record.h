#ifndef TAVRO_COMPONENTS_IPPORT_TRAFFIC_RECORD_H_
#define TAVRO_COMPONENTS_IPPORT_TRAFFIC_RECORD_H_

#include <cstdio>
#include <string>

namespace velmora::components {

/// A connection's traffic written as a script that plays the remote side:
/// what the client sent becomes an `expect -exact` entry, what it received a
/// `send -nonewline` entry. A write error closes the file and recording
/// stops silently.
class TrafficRecord {
 public:
  TrafficRecord() = default;
  ~TrafficRecord() { close(); }
  TrafficRecord(const TrafficRecord&) = delete;
  TrafficRecord& operator=(const TrafficRecord&) = delete;

  /// Creates (or replaces) the file; false when it cannot be created.
  bool open(const std::string& path);
  void close();
  bool isOpen() const { return file_ != nullptr; }

  void recordSent(const char* data, int length) { write("expect -exact", data, length); }
  void recordReceived(const char* data, int length) { write("send -nonewline", data, length); }

  /// The bytes as they appear between the quotes of an entry.
  static std::string escape(const char* data, int length);

 private:
  void write(const char* command, const char* data, int length);

  std::FILE* file_ = nullptr;
};

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_IPPORT_TRAFFIC_RECORD_H_

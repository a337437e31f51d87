#include "components/ipport/traffic_record.h"

#include <cstring>

namespace velmora::components {

bool TrafficRecord::open(const std::string& path) {
  close();
  file_ = std::fopen(path.c_str(), "wb");
  return file_ != nullptr;
}

void TrafficRecord::close() {
  if (file_ == nullptr) return;
  std::fclose(file_);
  file_ = nullptr;
}

std::string TrafficRecord::escape(const char* data, int length) {
  std::string out;
  out.reserve(static_cast<size_t>(length > 0 ? length : 0) * 2);
  for (int i = 0; i < length; ++i) {
    unsigned char byte = static_cast<unsigned char>(data[i]);
    if (byte == '\r' || byte == '\n' || (byte >= 0x20 && byte <= 0x7E)) {
      // The characters the script language would otherwise interpret.
      if (std::strchr("\\$\"{}[]", byte) != nullptr) out += '\\';
      out += static_cast<char>(byte);
      continue;
    }
    char octal[5];
    std::snprintf(octal, sizeof(octal), "\\%03o", byte);
    out += octal;
  }
  return out;
}

void TrafficRecord::write(const char* command, const char* data, int length) {
  if (file_ == nullptr) return;
  std::string entry = "\r\n";
  entry += command;
  entry += " \"";
  entry += escape(data, length);
  entry += "\"\r\n";
  if (std::fwrite(entry.data(), 1, entry.size(), file_) != entry.size() ||
      std::fflush(file_) != 0) {
    close();
  }
}

}  // namespace velmora::components

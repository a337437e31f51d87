#include <cctype>

#include "app/target_names.h"

bool isValidIpv4Address(const std::string& text) {
  if (text.size() < 7 || text.size() > 15) return false;
  int parts = 0;
  size_t i = 0;
  while (true) {
    int value = 0;
    size_t digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && digits < 4) {
      value = value * 10 + (text[i] - '0');
      ++digits;
      ++i;
    }
    if (digits == 0 || digits > 3 || value > 255) return false;
    ++parts;
    if (i == text.size()) return parts == 4;
    if (text[i] != '.' || parts == 4) return false;
    ++i;
  }
}

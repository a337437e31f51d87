#include "platform/codepage.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace velmora::platform {
namespace {

// iconv's name for a Windows code page number.
std::string charsetName(int codePage) {
  if (codePage == kCodePageAnsi) codePage = systemAnsiCodePage();
  switch (codePage) {
    case kCodePageUtf8:
      return "UTF-8";
    case 1200:
      return "UTF-16LE";
    case 1201:
      return "UTF-16BE";
    case 20127:
      return "ASCII";
    case 20866:
      return "KOI8-R";
    case 65000:
      return "UTF-7";
    default:
      break;
  }
  if (codePage >= 28591 && codePage <= 28606) {
    return "ISO-8859-" + std::to_string(codePage - 28590);
  }
  if (codePage > 0) return "CP" + std::to_string(codePage);
  return "";
}

// Owns an iconv descriptor; invalid when the code page is unknown.
class Converter {
 public:
  Converter(const std::string& to, const std::string& from)
      : cd_(to.empty() || from.empty() ? reinterpret_cast<iconv_t>(-1)
                                       : iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts everything; an input unit that cannot be converted is skipped
  // and `replacement` written instead, as the Windows calls do by default.
  void run(const char* in, size_t inLength, size_t unit, const std::string& replacement,
           std::string* out) {
    char buffer[1024];
    char* input = const_cast<char*>(in);
    while (true) {
      char* output = buffer;
      size_t room = sizeof(buffer);
      size_t rc = iconv(cd_, inLength > 0 ? &input : nullptr, &inLength, &output, &room);
      out->append(buffer, static_cast<size_t>(output - buffer));
      if (rc != static_cast<size_t>(-1)) {
        if (inLength == 0) break;
        continue;
      }
      if (errno == E2BIG) continue;
      out->append(replacement);
      size_t skip = inLength < unit ? inLength : unit;
      input += skip;
      inLength -= skip;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      if (inLength == 0) break;
    }
  }

 private:
  iconv_t cd_;
};

}  // namespace

int systemAnsiCodePage() {
  static const int codePage = [] {
    locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0)) return kCodePageUtf8;
    std::string codeset = nl_langinfo_l(CODESET, locale);
    freelocale(locale);
    if (codeset.rfind("ISO-8859-", 0) == 0) return 28590 + std::atoi(codeset.c_str() + 9);
    if (codeset.rfind("CP", 0) == 0) return std::atoi(codeset.c_str() + 2);
    if (codeset == "EUC-JP" || codeset == "SHIFT_JIS") return 932;
    return kCodePageUtf8;
  }();
  return codePage;
}

int bytesToWide(int codePage, const char* data, size_t length, std::u16string* out) {
  out->clear();
  Converter converter("UTF-16LE", charsetName(codePage));
  if (!converter.valid()) return kConversionFailed;
  std::string raw;
  const char fffd[] = {'\xFD', '\xFF'};
  converter.run(data, length, 1, std::string(fffd, 2), &raw);
  out->resize(raw.size() / 2);
  for (size_t i = 0; i < out->size(); ++i) {
    (*out)[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                      static_cast<unsigned char>(raw[2 * i + 1]) << 8);
  }
  return 0;
}

int wideToBytes(int codePage, const char16_t* data, size_t length, std::string* out) {
  out->clear();
  Converter converter(charsetName(codePage), "UTF-16LE");
  if (!converter.valid()) return kConversionFailed;
  std::string raw(length * 2, '\0');
  for (size_t i = 0; i < length; ++i) {
    raw[2 * i] = static_cast<char>(data[i] & 0xFF);
    raw[2 * i + 1] = static_cast<char>(data[i] >> 8);
  }
  converter.run(raw.data(), raw.size(), 2, "?", out);
  return 0;
}

}  // namespace velmora::platform

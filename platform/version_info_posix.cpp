#include "platform/version_info_posix.h"

#include <atomic>

#include "platform/error_codes.h"
#include "platform/version_info.h"

namespace velmora::platform {

namespace {

std::atomic<const EmbeddedVersionTable*>& registeredTable() {
  static std::atomic<const EmbeddedVersionTable*> table{nullptr};
  return table;
}

char16_t lowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; }

// Sub-block paths are matched without regard to case, as the system does.
bool samePath(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

class EmbeddedVersionBlock : public VersionBlock {
 public:
  explicit EmbeddedVersionBlock(const EmbeddedVersionTable* table) : table_(table) {}

  bool queryValue(const std::u16string& subBlock, std::u16string* value, uint32_t* length,
                  uint32_t* error) const override {
    if (samePath(subBlock, u"\\VarFileInfo\\Translation")) {
      *value = std::u16string{static_cast<char16_t>(table_->language),
                              static_cast<char16_t>(table_->codePage)};
      *length = 4;  // A binary value's length is in bytes.
      return true;
    }
    const std::u16string prefix =
        u"\\StringFileInfo\\" + std::u16string(table_->translation) + u"\\";
    for (size_t i = 0; i < table_->count; ++i) {
      if (samePath(subBlock, prefix + table_->strings[i].key)) {
        *value = table_->strings[i].value;
        *length = static_cast<uint32_t>(value->size() + 1);
        return true;
      }
    }
    *error = kErrorResourceTypeNotFound;
    return false;
  }

 private:
  const EmbeddedVersionTable* table_;
};

}  // namespace

bool registerEmbeddedVersionTable(const EmbeddedVersionTable* table) {
  registeredTable().store(table);
  return true;
}

std::unique_ptr<VersionBlock> makeEmbeddedVersionBlock(const EmbeddedVersionTable* table) {
  return std::make_unique<EmbeddedVersionBlock>(table);
}

std::unique_ptr<VersionBlock> VersionBlock::load(uint32_t* error) {
  const EmbeddedVersionTable* table = registeredTable().load();
  if (table == nullptr) {
    *error = kErrorResourceTypeNotFound;
    return nullptr;
  }
  *error = 0;
  return makeEmbeddedVersionBlock(table);
}

}  // namespace velmora::platform

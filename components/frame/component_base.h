#ifndef TAVRO_COMPONENTS_FRAME_COMPONENT_BASE_H_
#define TAVRO_COMPONENTS_FRAME_COMPONENT_BASE_H_

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "components/frame/config_setting.h"
#include "components/frame/event_sink.h"
#include "components/frame/frame_ids.h"
#include "components/frame/result_codes.h"

namespace velmora::components {

/// How a property's value crosses Get and Set.
enum class ValueKind : uint8_t { kInteger, kBoolean, kText, kBytes };
enum PropertyAccess : uint8_t { kRead = 1, kWrite = 2, kReadWrite = 3 };

struct PropertyInfo {
  int id;
  ValueKind kind;
  uint8_t access;
};

/// How one method parameter crosses Do: an integer word, an input text, input
/// bytes (length from the length array), or a slot that receives a text the
/// component owns.
enum class ParamKind : uint8_t { kInteger, kText, kBytes, kTextResult };
constexpr int kMaxMethodParams = 4;

struct MethodInfo {
  int id;
  int paramCount;
  ParamKind params[kMaxMethodParams];
};

/// A value given to Set, already converted to bytes for wide ids. `text` is
/// never null for text and byte properties; `length` is its byte length.
struct PropertyValue {
  intptr_t word = 0;
  const char* text = "";
  int length = 0;
};

/// The parameters of one Do call, always as many as the method declares
/// (missing ones are 0 or empty), so a method never reads past the caller's
/// arrays.
class MethodArgs {
 public:
  explicit MethodArgs(int count) : words_(count, 0), lengths_(count, 0) {}
  int count() const { return static_cast<int>(words_.size()); }
  intptr_t integer(int i) const { return words_[i]; }
  const char* text(int i) const {
    return words_[i] ? reinterpret_cast<const char*>(words_[i]) : "";
  }
  const char* bytes(int i, int* length) const {
    *length = words_[i] && lengths_[i] > 0 ? lengths_[i] : 0;
    return text(i);
  }
  /// Stores a text result; the pointer must stay valid until the next call.
  void setResult(int i, const char* text) { words_[i] = reinterpret_cast<intptr_t>(text); }
  int length(int i) const { return lengths_[i]; }
  void setLength(int i, int length) { lengths_[i] = length; }
  void setWord(int i, intptr_t word) { words_[i] = word; }

 private:
  std::vector<intptr_t> words_;
  std::vector<int> lengths_;
};

/// The innermost layer of every component object: the result code and message
/// text of the last flat call, the code page of wide conversions, the charset
/// mode and the event sink. A component describes its surface by overriding
/// findProperty/findMethod and implements it in get/set/callMethod; the flat
/// functions (flat_api.h) do the value passing, wide variants and the
/// completion of message texts around them.
class ComponentBase {
 public:
  static constexpr int kCodePagePropertyId = frame_ids::kCodePageProperty;

  virtual ~ComponentBase() = default;
  ComponentBase(const ComponentBase&) = delete;
  ComponentBase& operator=(const ComponentBase&) = delete;

  /// Marks one call into the instance (a flat function, a notification of
  /// its window) for as long as it runs. The instance a callback destroyed
  /// meanwhile is deleted when the outermost of them ends.
  class Entry {
   public:
    explicit Entry(ComponentBase* c) : c_(c) { ++c_->entries_; }
    ~Entry() {
      if (--c_->entries_ == 0 && c_->destroyRequested_) delete c_;
    }
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;

   private:
    ComponentBase* c_;
  };

  /// Destroy: deletes at once outside any call into the instance; inside
  /// one (an event callback) it stops the events and every wait, and the
  /// outermost call deletes it when it returns.
  static void destroy(ComponentBase* c);
  bool destroyRequested() const { return destroyRequested_; }

  int resultCode() const { return resultCode_; }
  void setResultCode(int code) { resultCode_ = code; }
  const std::string& messageText() const { return messageText_; }
  void setMessageText(std::string text) { messageText_ = std::move(text); }
  /// What state-changing operations do when they start.
  void clearMessage() {
    messageText_.clear();
    resultCode_ = 0;
  }
  /// Ends a Set or Do: a failure without a text gets the standard one
  /// ("Interrupted.", "Out of memory.", "[code] text"); then resultCode = code.
  void completeResult(int code);

  int codePage() const { return codePage_; }
  uint8_t charsetMode() const;

  EventSink& eventSink() { return eventSink_; }
  /// Raises event `eventId` through the sink with the instance's code page.
  int raiseEvent(int eventId, std::initializer_list<EventArg> args);
  /// "OK" for 0, else the message text, built from the code when empty.
  std::string eventDescription(int code);

  virtual const PropertyInfo* findProperty(int id) const = 0;
  virtual const MethodInfo* findMethod(int id) const = 0;
  /// Returns the value as a word; texts and bytes as a pointer the component
  /// owns (valid until the next call that changes it), with the byte length
  /// through `length` (never null).
  virtual intptr_t getProperty(int id, int* length) = 0;
  virtual int setProperty(int id, const PropertyValue& value) = 0;
  virtual int callMethod(int id, MethodArgs& args) = 0;

  /// The `Config` method: parses `text`, runs the layers' `configure`, and
  /// returns the answer (owned by the instance) through `result`.
  int runConfig(const char* text, const char** result);
  /// runConfig as a method call: the setting text in argument 0, the
  /// answer into argument 1.
  int callConfig(MethodArgs& args);
  /// Applies or answers one setting; each layer handles its own keys and
  /// passes the rest down. kUnknownSetting when no layer knows the key.
  virtual int configure(const ConfigSetting& setting, std::string* answer);

  /// Per-key storage for wide results handed out by the flat functions.
  std::u16string& wideBuffer(int key) { return wideBuffers_[key]; }

 protected:
  ComponentBase();

 private:
  int resultCode_ = 0;
  int codePage_ = 0;
  std::string messageText_;
  mutable std::optional<uint8_t> charsetMode_;
  EventSink eventSink_;
  std::map<int, std::u16string> wideBuffers_;
  int entries_ = 0;
  bool destroyRequested_ = false;
};

/// A searchable table of a component's properties or methods.
template <typename Info, size_t N>
const Info* findById(const Info (&table)[N], int id) {
  for (const Info& info : table) {
    if (info.id == id) return &info;
  }
  return nullptr;
}

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_FRAME_COMPONENT_BASE_H_

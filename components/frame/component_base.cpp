#include "components/frame/component_base.h"

#include "components/frame/winsock_text.h"
#include "platform/codepage.h"

namespace velmora::components {

ComponentBase::ComponentBase() = default;

uint8_t ComponentBase::charsetMode() const {
  // Decided when first asked: finding the system's code page loads the
  // locale files, which a run that never asks need not read.
  if (!charsetMode_) charsetMode_ = platform::systemAnsiCodePage() == 932 ? 1 : 0;
  return *charsetMode_;
}

void ComponentBase::completeResult(int code) {
  if (code != 0 && messageText_.empty()) messageText_ = completionText(code);
  resultCode_ = code;
}

void ComponentBase::destroy(ComponentBase* c) {
  if (c->entries_ == 0) {
    delete c;
    return;
  }
  // The caller holds an invalid handle from here on: it hears nothing more.
  c->destroyRequested_ = true;
  c->eventSink_.bind(nullptr, nullptr);
}

int ComponentBase::raiseEvent(int eventId, std::initializer_list<EventArg> args) {
  return eventSink_.raise(eventId, args.begin(), static_cast<int>(args.size()), codePage_);
}

std::string ComponentBase::eventDescription(int code) {
  if (code == 0) return "OK";
  if (messageText_.empty()) messageText_ = describeWinsockError(code);
  return messageText_;
}

int ComponentBase::callConfig(MethodArgs& args) {
  const char* result = "";
  const int code = runConfig(args.text(0), &result);
  args.setResult(1, result);
  return code;
}

int ComponentBase::runConfig(const char* text, const char** result) {
  ConfigSetting setting = parseConfigSetting(text);
  std::string answer;
  int code = configure(setting, &answer);
  *result = "";
  if (code == kUnknownSetting) {
    messageText_ = "Unknown config setting.";
    return code;
  }
  if (code != 0) return code;
  messageText_ = setting.isQuery ? answer : std::string();
  *result = messageText_.c_str();
  return 0;
}

int ComponentBase::configure(const ConfigSetting& setting, std::string* answer) {
  if (setting.is("CodePage")) {
    if (setting.isQuery) {
      *answer = configInteger(codePage_);
    } else {
      codePage_ = setting.intValue();
    }
    return 0;
  }
  if (setting.is("CharsetMode")) {
    if (setting.isQuery) {
      *answer = std::string(1, static_cast<char>(charsetMode()));
    } else {
      charsetMode_ = static_cast<uint8_t>(setting.intValue());
    }
    return 0;
  }
  return kUnknownSetting;
}

}  // namespace velmora::components

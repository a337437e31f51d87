#include "components/frame/frame_component.h"

#include "components/frame/frame_ids.h"

namespace velmora::components {
namespace {

constexpr int kVersionTagId = frame_ids::kVersionTagProperty;
constexpr int kTimeoutId = frame_ids::kTimeoutProperty;
constexpr int kConfigId = frame_ids::kConfigMethod;
constexpr int kDoEventsId = frame_ids::kDoEventsMethod;
constexpr int kInterruptId = frame_ids::kInterruptMethod;

constexpr PropertyInfo kProperties[] = {
    {kVersionTagId, ValueKind::kText, kRead},
    {kTimeoutId, ValueKind::kInteger, kReadWrite},
};

constexpr MethodInfo kMethods[] = {
    {kConfigId, 2, {ParamKind::kText, ParamKind::kTextResult}},
    {kDoEventsId, 0, {}},
    {kInterruptId, 0, {}},
};

}  // namespace

const char kComponentVersionTag[] = "velmora components " VELMORA_COMPONENTS_VERSION_TEXT;

const PropertyInfo* FrameComponent::findProperty(int id) const {
  if (id == kTimeoutId && !withTimeout_) return nullptr;
  return findById(kProperties, id);
}

const MethodInfo* FrameComponent::findMethod(int id) const {
  if (id == kInterruptId && !withTimeout_) return nullptr;
  return findById(kMethods, id);
}

intptr_t FrameComponent::getProperty(int id, int*) {
  if (id == kTimeoutId) return timeoutProperty();
  return reinterpret_cast<intptr_t>(kComponentVersionTag);
}

int FrameComponent::setProperty(int id, const PropertyValue& value) {
  if (id == kTimeoutId) setTimeoutProperty(static_cast<int>(value.word));
  return 0;
}

int FrameComponent::callMethod(int id, MethodArgs& args) {
  switch (id) {
    case kConfigId:
      return callConfig(args);
    case kDoEventsId:
      return doEvents();
    case kInterruptId:
      return interrupt();
    default:
      return 0;
  }
}

ComponentBase* createFrameIpPort() { return new FrameComponent(true); }
ComponentBase* createFrameIpInfo() { return new FrameComponent(false); }

}  // namespace velmora::components

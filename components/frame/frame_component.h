#ifndef TAVRO_COMPONENTS_FRAME_FRAME_COMPONENT_H_
#define TAVRO_COMPONENTS_FRAME_FRAME_COMPONENT_H_

#include "components/frame/socket_component.h"

namespace velmora::components {

/// The version tag both components report as property 0.
extern const char kComponentVersionTag[];

/// An object with only the surface common to the frame: VersionTag (0),
/// CodePage (2010), Config (2), DoEvents (5); with `withTimeout` also
/// Timeout (19) and Interrupt (7), at the ids IPPort gives them.
class FrameComponent : public SocketComponent {
 public:
  explicit FrameComponent(bool withTimeout) : withTimeout_(withTimeout) {}

  const PropertyInfo* findProperty(int id) const override;
  const MethodInfo* findMethod(int id) const override;
  intptr_t getProperty(int id, int* length) override;
  int setProperty(int id, const PropertyValue& value) override;
  int callMethod(int id, MethodArgs& args) override;

 private:
  bool withTimeout_;
};

ComponentBase* createFrameIpPort();
ComponentBase* createFrameIpInfo();

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_FRAME_FRAME_COMPONENT_H_

#ifndef TAVRO_COMPONENTS_FRAME_FLAT_API_H_
#define TAVRO_COMPONENTS_FRAME_FLAT_API_H_

// The ten flat functions, written once for both components. The exported
// IPPort_* and IPInfo_* functions (flat_exports.cpp) only name the component
// kind. A handle is the address of the ComponentBase of the instance.
//
// Registration point: a component's own source file registers its factory
// with a namespace-scope initialiser, e.g.
//   static const bool registered = velmora::components::registerComponent(
//       velmora::components::ComponentKind::kIPPort, {&createIpPort, nullptr, nullptr});
// (the core is an object library, so every such file is linked). Create
// returns null for a kind nobody registered; the frame's own object
// (frame_component.h) offers the common surface to tests and tools.

#include <cstdint>

#include "components/frame/component_base.h"
#include "velmora_components.h"

namespace velmora::components {

enum class ComponentKind { kIPPort, kIPInfo };

struct ComponentRegistration {
  /// Builds an instance with every property at its default (may throw
  /// std::bad_alloc; Create then returns null).
  ComponentBase* (*create)();
  /// Optional: runs after the common static initialisation steps.
  void (*staticInit)(void* moduleInstance);
  /// Optional: runs before the common static clean-up.
  void (*staticDestroy)();
};

/// Returns true so it can initialise a namespace-scope constant.
bool registerComponent(ComponentKind kind, const ComponentRegistration& registration);

int flatStaticInit(ComponentKind kind, void* moduleInstance);
int flatStaticDestroy(ComponentKind kind);
void* flatCreate(ComponentKind kind, ComponentEventCallback callback, void* context);
/// Create with an explicit factory (tests, and the frame's own objects).
void* flatCreateWith(ComponentBase* (*create)(), ComponentEventCallback callback, void* context);
int flatDestroy(void* handle);
void* flatGet(void* handle, int propertyId, int index, int* length);
int flatSet(void* handle, int propertyId, int index, const void* value, int length);
int flatDo(void* handle, int methodId, int paramCount, void* params[], int lengths[]);
const char* flatGetLastError(void* handle);
int flatGetLastErrorCode(void* handle);
int flatCheckIndex(void* handle, int propertyId, int index);

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_FRAME_FLAT_API_H_

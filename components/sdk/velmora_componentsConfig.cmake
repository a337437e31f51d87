# find_package(velmora_components) gives the imported target
# velmora_components::velmora_components (library and header folder).
include(${CMAKE_CURRENT_LIST_DIR}/velmora_componentsTargets.cmake)

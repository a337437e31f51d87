# The executable's own resources (version strings, WAVE clips). Windows gets
# them from the .rc files; on POSIX each app/resources/*.cmake script turns
# the same sources into code compiled into the binary and appends it to
# TAVRO_RESOURCE_SOURCES. Both the executable and the test binary carry them.
set(TAVRO_RESOURCE_SOURCES "")
configure_file(${CMAKE_SOURCE_DIR}/app/resources/version_numbers.h.in
  ${CMAKE_BINARY_DIR}/generated/tavro_version_numbers.h @ONLY)
if(WIN32)
  file(GLOB rc_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/app/resources/*.rc)
  list(APPEND TAVRO_RESOURCE_SOURCES ${rc_files})
else()
  file(GLOB embed_scripts CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/app/resources/*.cmake)
  foreach(script ${embed_scripts})
    include(${script})
  endforeach()
endif()

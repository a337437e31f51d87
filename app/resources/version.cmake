# POSIX: the version strings of version.h go into the binary as a table that
# registers itself with the version service (platform/version_info_posix.h),
# the counterpart of version.rc on Windows.
set(version_out ${CMAKE_BINARY_DIR}/generated/embedded_version.cpp)
configure_file(${CMAKE_CURRENT_LIST_DIR}/version_table.cpp.in ${version_out} COPYONLY)
list(APPEND TAVRO_RESOURCE_SOURCES ${version_out})

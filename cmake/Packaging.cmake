# Install rules. `cmake --install` puts the program in bin with its manual
# page, and the components' SDK beside it: the shared library, the C
# headers, the pkg-config file, the CMake package config, the manual pages
# IPPort(3) and IPInfo(3) and the examples. Debian packages come from
# debian/ (dpkg-buildpackage), which stages these same rules; the Windows
# downloads are assembled by scripts/package from the install components
# `program` (the tool zip) and `sdk` (the SDK zip). Every version comes from
# project(VERSION).
# Libraries go into the multiarch folder (lib/x86_64-linux-gnu on amd64) for
# every prefix, not only /usr: the loader, pkg-config and find_package look
# there under /usr/local too, and a package for one architecture must not
# claim the shared lib/pkgconfig. ("lib" is the old default of this build.)
if(CMAKE_LIBRARY_ARCHITECTURE AND (NOT DEFINED CACHE{CMAKE_INSTALL_LIBDIR}
                                   OR "$CACHE{CMAKE_INSTALL_LIBDIR}" STREQUAL "lib"))
  set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE} CACHE PATH "Object code libraries"
    FORCE)
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TAVRO_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(TAVRO_EXAMPLES ${CMAKE_SOURCE_DIR}/examples/component_example.c
  ${CMAKE_SOURCE_DIR}/examples/ipinfo_properties.c ${CMAKE_SOURCE_DIR}/examples/resolve_and_connect.c)
set(TAVRO_API_PAGES ${CMAKE_SOURCE_DIR}/docs/IPPort.3 ${CMAKE_SOURCE_DIR}/docs/IPInfo.3)

if(WIN32)
  # Each download is one folder; scripts/package gives each install its
  # own prefix. The tool: tavro.exe with its texts. The SDK: the library
  # of this architecture in a folder named for it, beside the shared files.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(TAVRO_ARCH x86_64)
  else()
    set(TAVRO_ARCH i686)
  endif()
  install(TARGETS tavro RUNTIME DESTINATION . COMPONENT program)
  install(TARGETS velmora_components RUNTIME DESTINATION ${TAVRO_ARCH} COMPONENT sdk
    ARCHIVE DESTINATION ${TAVRO_ARCH} COMPONENT sdk)
  install(FILES $<TARGET_FILE_DIR:velmora_components>/velmora_components.lib
    $<TARGET_FILE_DIR:velmora_components>/velmora_components.def
    DESTINATION ${TAVRO_ARCH} COMPONENT sdk)
  install(FILES ${TAVRO_SDK_HEADERS} DESTINATION include COMPONENT sdk)
  install(FILES ${TAVRO_EXAMPLES} DESTINATION examples COMPONENT sdk)

  # Windows readers expect CR LF in the text files of a zip; the manual
  # pages go in as text, rendered here.
  set(zip ${CMAKE_BINARY_DIR}/zip)
  set(crlf_texts "")
  foreach(pair "${TAVRO_PACKAGING_DIR}/windows/README.txt|README.txt"
      "${TAVRO_PACKAGING_DIR}/windows/SDK-README.txt|SDK-README.txt"
      "${TAVRO_PACKAGING_DIR}/windows/THIRD-PARTY-NOTICES.txt|THIRD-PARTY-NOTICES.txt"
      "${CMAKE_SOURCE_DIR}/LICENSE|LICENSE.txt")
    string(REPLACE "|" ";" pair "${pair}")
    list(GET pair 0 in)
    list(GET pair 1 out)
    configure_file(${in} ${zip}/${out} @ONLY NEWLINE_STYLE CRLF)
  endforeach()
  set(pages "")
  foreach(page ${TAVRO_API_PAGES})
    get_filename_component(name ${page} NAME)
    add_custom_command(OUTPUT ${zip}/${name}.txt
      COMMAND ${CMAKE_COMMAND} -DPAGE=${page} -DOUT=${zip}/${name}.txt
        -P ${CMAKE_SOURCE_DIR}/cmake/ManualPageText.cmake
      DEPENDS ${page} ${CMAKE_SOURCE_DIR}/cmake/ManualPageText.cmake VERBATIM)
    list(APPEND pages ${zip}/${name}.txt)
  endforeach()
  add_custom_target(tavro_sdk_pages ALL DEPENDS ${pages})
  install(FILES ${zip}/README.txt ${zip}/LICENSE.txt ${zip}/THIRD-PARTY-NOTICES.txt
    DESTINATION . COMPONENT program)
  install(FILES ${zip}/SDK-README.txt ${zip}/LICENSE.txt ${zip}/THIRD-PARTY-NOTICES.txt
    DESTINATION . COMPONENT sdk)
  install(FILES ${pages} DESTINATION doc COMPONENT sdk)
else()
  set(cmakedir ${CMAKE_INSTALL_LIBDIR}/cmake/velmora_components)
  set(gz ${CMAKE_BINARY_DIR}/packaging)

  # The build tree's tavro finds the components' library by an absolute
  # RUNPATH, the installed one in the system's folders. CMake would add an
  # empty entry to the build's (room to rewrite it in place at install), and
  # the loader reads an empty entry as the current folder; so the build is
  # linked with the RUNPATH it keeps, and the install removes it.
  set_target_properties(tavro PROPERTIES BUILD_WITH_INSTALL_RPATH ON
    INSTALL_RPATH $<TARGET_FILE_DIR:velmora_components>)
  install(TARGETS tavro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
  install(CODE "file(RPATH_REMOVE
    FILE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/tavro\")" COMPONENT program)
  install(FILES ${CMAKE_SOURCE_DIR}/docs/tavro.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
    COMPONENT program)

  # A shared library is read, not executed: mode 644 like the system's own.
  install(TARGETS velmora_components EXPORT velmora_components_targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library NAMELINK_COMPONENT sdk
    PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(FILES ${TAVRO_SDK_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT sdk)
  install(FILES ${TAVRO_API_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man3 COMPONENT sdk)
  install(EXPORT velmora_components_targets NAMESPACE velmora_components::
    FILE velmora_componentsTargets.cmake DESTINATION ${cmakedir} COMPONENT sdk)
  write_basic_package_version_file(${gz}/velmora_componentsConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
  install(FILES ${CMAKE_SOURCE_DIR}/components/sdk/velmora_componentsConfig.cmake
    ${gz}/velmora_componentsConfigVersion.cmake DESTINATION ${cmakedir} COMPONENT sdk)
  # The .pc file names the prefix the files really land in, which is known
  # only at install time.
  install(CODE "set(pc_template \"${CMAKE_SOURCE_DIR}/components/sdk/velmora-components.pc.in\")
    set(pc_libdir \"${CMAKE_INSTALL_LIBDIR}\")
    set(pc_includedir \"${CMAKE_INSTALL_INCLUDEDIR}\")
    set(pc_version \"${PROJECT_VERSION}\")" COMPONENT sdk)
  install(CODE [[
    set(pc_file "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${pc_libdir}/pkgconfig/velmora-components.pc")
    set(pc_prefix "${CMAKE_INSTALL_PREFIX}")
    configure_file("${pc_template}" "${pc_file}" @ONLY)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${pc_file}")
    message(STATUS "Installing: ${pc_file}")
  ]] COMPONENT sdk)
  install(FILES ${TAVRO_EXAMPLES}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/libvelmora-components-dev/examples COMPONENT sdk)
endif()

# ICMP without root: like the system's ping, grant cap_net_raw to the
# installed file. It is granted as permitted only (+p): tavro makes it
# effective itself to open its raw socket, then drops every capability
# before it probes. Package builds skip this (TAVRO_NO_SETCAP, or
# TAVRO_INSTALL_SETCAP=OFF as debian/rules sets): they stage into a scratch
# folder whose extended attributes the package would not keep, and the
# Debian package grants the right in postinst. A file system without
# extended attributes, or no setcap, ends with a note instead of a failed
# install; tavro still uses the unprivileged datagram socket when
# net.ipv4.ping_group_range admits the user.
option(TAVRO_INSTALL_SETCAP "Grant cap_net_raw to the installed tavro" ON)
if(NOT WIN32 AND TAVRO_INSTALL_SETCAP)
  install(CODE "set(tavro_bindir \"${CMAKE_INSTALL_BINDIR}\")" COMPONENT program)
  install(CODE [[
    set(tavro_installed "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${tavro_bindir}/tavro")
    if(DEFINED ENV{TAVRO_NO_SETCAP})
      message(STATUS "Not granting cap_net_raw to ${tavro_installed}")
    else()
      find_program(TAVRO_SETCAP setcap PATHS /usr/sbin /sbin)
      set(setcap_rc "setcap is not installed")
      if(TAVRO_SETCAP)
        execute_process(COMMAND ${TAVRO_SETCAP} cap_net_raw+p "${tavro_installed}"
          RESULT_VARIABLE setcap_rc ERROR_VARIABLE setcap_err OUTPUT_QUIET)
      endif()
      if(setcap_rc EQUAL 0)
        message(STATUS "Granted cap_net_raw+p to ${tavro_installed}")
      else()
        message(STATUS "Note: cap_net_raw could not be granted to ${tavro_installed} "
          "(${setcap_rc} ${setcap_err}). ICMP probes then need a group in "
          "net.ipv4.ping_group_range, or run: setcap cap_net_raw+p ${tavro_installed}")
      endif()
    endif()
  ]] COMPONENT program)
endif()

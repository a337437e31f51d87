# Install rules and packages. `cmake --install` puts the program in bin with
# its manual page, and the components' SDK beside it: the shared library, the
# C header, the pkg-config file, the CMake package config and the examples.
# CPack turns the same rules into three Debian packages (Linux) or a zip with
# both architectures (Windows). Every version comes from project(VERSION).
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

set(TAVRO_LIBRARY_PACKAGE libvelmora-components${PROJECT_VERSION_MAJOR})
set(TAVRO_DEV_PACKAGE libvelmora-components-dev)
set(TAVRO_MAINTAINER "tavro developers <maintainers@tavro.invalid>")
set(TAVRO_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)

if(WIN32)
  # The zip holds both architectures side by side, so each build puts its
  # binaries in a folder named for its architecture.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(TAVRO_BIN_DESTINATION x86_64)
  else()
    set(TAVRO_BIN_DESTINATION i686)
  endif()
  install(TARGETS tavro RUNTIME DESTINATION ${TAVRO_BIN_DESTINATION} COMPONENT program)
  install(TARGETS velmora_components RUNTIME DESTINATION ${TAVRO_BIN_DESTINATION}
    ARCHIVE DESTINATION ${TAVRO_BIN_DESTINATION} COMPONENT program)
  install(FILES $<TARGET_FILE_DIR:velmora_components>/velmora_components.lib
    $<TARGET_FILE_DIR:velmora_components>/velmora_components.def
    DESTINATION ${TAVRO_BIN_DESTINATION} COMPONENT program)
  install(FILES ${CMAKE_SOURCE_DIR}/components/include/velmora_components.h
    DESTINATION include COMPONENT program)
  install(FILES ${CMAKE_SOURCE_DIR}/examples/component_example.c
    ${CMAKE_SOURCE_DIR}/examples/ipinfo_properties.c DESTINATION examples COMPONENT program)
  # Windows readers expect CR LF in the text files of a zip.
  configure_file(${TAVRO_PACKAGING_DIR}/windows/README.txt ${CMAKE_BINARY_DIR}/zip/README.txt
    @ONLY NEWLINE_STYLE CRLF)
  configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/zip/LICENSE.txt
    COPYONLY)
  file(READ ${CMAKE_BINARY_DIR}/zip/LICENSE.txt license_text)
  string(REGEX REPLACE "\r?\n" "\r\n" license_text "${license_text}")
  file(WRITE ${CMAKE_BINARY_DIR}/zip/LICENSE.txt "${license_text}")
  install(FILES ${CMAKE_BINARY_DIR}/zip/README.txt ${CMAKE_BINARY_DIR}/zip/LICENSE.txt
    DESTINATION . COMPONENT program)
else()
  set(docdir ${CMAKE_INSTALL_DATADIR}/doc)
  set(cmakedir ${CMAKE_INSTALL_LIBDIR}/cmake/velmora_components)

  # Debian wants the manual page and the changelog compressed, without a time
  # stamp in the gzip header so that two builds give the same package.
  set(gz ${CMAKE_BINARY_DIR}/packaging)
  file(MAKE_DIRECTORY ${gz})
  configure_file(${TAVRO_PACKAGING_DIR}/debian/changelog.in ${gz}/changelog @ONLY)
  set(compressed "")
  foreach(pair "${CMAKE_SOURCE_DIR}/docs/tavro.1|tavro.1.gz" "${gz}/changelog|changelog.gz")
    string(REPLACE "|" ";" pair "${pair}")
    list(GET pair 0 in)
    list(GET pair 1 out)
    add_custom_command(OUTPUT ${gz}/${out} COMMAND gzip -9nc ${in} > ${gz}/${out}
      DEPENDS ${in} VERBATIM)
    list(APPEND compressed ${gz}/${out})
  endforeach()
  add_custom_target(tavro_compressed_docs ALL DEPENDS ${compressed})

  install(TARGETS tavro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
  install(FILES ${gz}/tavro.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)

  # A shared library is read, not executed: mode 644 like the system's own.
  install(TARGETS velmora_components EXPORT velmora_components_targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library NAMELINK_COMPONENT dev
    PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/components/include/velmora_components.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
  install(EXPORT velmora_components_targets NAMESPACE velmora_components::
    FILE velmora_componentsTargets.cmake DESTINATION ${cmakedir} COMPONENT dev)
  write_basic_package_version_file(${gz}/velmora_componentsConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
  install(FILES ${CMAKE_SOURCE_DIR}/components/sdk/velmora_componentsConfig.cmake
    ${gz}/velmora_componentsConfigVersion.cmake DESTINATION ${cmakedir} COMPONENT dev)
  # The .pc file names the prefix the files really land in, which for a
  # package is known only at install time (CPack installs into /usr).
  install(CODE "set(pc_template \"${CMAKE_SOURCE_DIR}/components/sdk/velmora-components.pc.in\")
    set(pc_libdir \"${CMAKE_INSTALL_LIBDIR}\")
    set(pc_includedir \"${CMAKE_INSTALL_INCLUDEDIR}\")
    set(pc_version \"${PROJECT_VERSION}\")" COMPONENT dev)
  install(CODE [[
    set(pc_file "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${pc_libdir}/pkgconfig/velmora-components.pc")
    set(pc_prefix "${CMAKE_INSTALL_PREFIX}")
    configure_file("${pc_template}" "${pc_file}" @ONLY)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${pc_file}")
    message(STATUS "Installing: ${pc_file}")
  ]] COMPONENT dev)
  install(FILES ${CMAKE_SOURCE_DIR}/examples/component_example.c
    ${CMAKE_SOURCE_DIR}/examples/ipinfo_properties.c
    DESTINATION ${docdir}/${TAVRO_DEV_PACKAGE}/examples COMPONENT dev)

  # Each package carries the licence and the changelog in its own doc folder.
  foreach(pair "program|tavro" "library|${TAVRO_LIBRARY_PACKAGE}" "dev|${TAVRO_DEV_PACKAGE}")
    string(REPLACE "|" ";" pair "${pair}")
    list(GET pair 0 component)
    list(GET pair 1 package)
    install(FILES ${TAVRO_PACKAGING_DIR}/debian/copyright ${gz}/changelog.gz
      DESTINATION ${docdir}/${package} COMPONENT ${component})
  endforeach()
endif()

# ICMP without root: like the system's ping, grant cap_net_raw to the
# installed file. tavro does not raise capabilities itself, so the right is
# made effective at exec (+ep); with +p alone it would never take effect.
# Package builds skip this: they stage into a scratch folder whose extended
# attributes the package would not keep (the Debian package grants the right
# in postinst). A file system without extended attributes, or no setcap, ends
# with a note instead of a failed install; tavro still uses the unprivileged
# datagram socket when net.ipv4.ping_group_range admits the user.
option(TAVRO_INSTALL_SETCAP "Grant cap_net_raw to the installed tavro" ON)
if(NOT WIN32 AND TAVRO_INSTALL_SETCAP)
  install(CODE "set(tavro_bindir \"${CMAKE_INSTALL_BINDIR}\")" COMPONENT program)
  install(CODE [[
    set(tavro_installed "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${tavro_bindir}/tavro")
    if(DEFINED ENV{TAVRO_NO_SETCAP} OR tavro_installed MATCHES "/_CPack_Packages/")
      message(STATUS "Not granting cap_net_raw to ${tavro_installed}")
    else()
      find_program(TAVRO_SETCAP setcap PATHS /usr/sbin /sbin)
      set(setcap_rc "setcap is not installed")
      if(TAVRO_SETCAP)
        execute_process(COMMAND ${TAVRO_SETCAP} cap_net_raw+ep "${tavro_installed}"
          RESULT_VARIABLE setcap_rc ERROR_VARIABLE setcap_err OUTPUT_QUIET)
      endif()
      if(setcap_rc EQUAL 0)
        message(STATUS "Granted cap_net_raw+ep to ${tavro_installed}")
      else()
        message(STATUS "Note: cap_net_raw could not be granted to ${tavro_installed} "
          "(${setcap_rc} ${setcap_err}). ICMP probes then need a group in "
          "net.ipv4.ping_group_range, or run: setcap cap_net_raw+ep ${tavro_installed}")
      endif()
    endif()
  ]] COMPONENT program)
endif()

set(CPACK_PACKAGE_NAME tavro)
set(CPACK_PACKAGE_VENDOR velmorasoft)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TAVRO_MAINTAINER})
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-${TAVRO_BIN_DESTINATION})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL program library dev)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(deb ${TAVRO_PACKAGING_DIR}/debian)

  # The synopsis is the first line of each description (no package-wide
  # summary, which CPack would put in front of every one of them).
  set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME tavro)
  set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION net)
  set(CPACK_DEBIAN_PROGRAM_DESCRIPTION "console ping utility for ICMP echo and TCP ports
Probes one target with ICMP echo requests, or with TCP connection
attempts when the target is written host:port, and prints one line per
probe and a round-trip summary, or a one-line up/down verdict.")
  # The sound libraries are loaded at the first sound and optional, and
  # setcap (libcap2-bin) only grants the ICMP right in postinst.
  set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "libsndfile1, libasound2, libcap2-bin")
  set(CPACK_DEBIAN_PROGRAM_PACKAGE_CONTROL_EXTRA ${deb}/postinst)

  set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME ${TAVRO_LIBRARY_PACKAGE})
  set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_LIBRARY_DESCRIPTION "IPPort and IPInfo network components (shared library)
The C interface of the two network components of tavro: IPPort, a TCP
client with events, and IPInfo, network adapter information and name
resolution. This package holds the shared library.")
  configure_file(${deb}/symbols.in ${gz}/symbols @ONLY)
  set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA ${gz}/symbols ${deb}/triggers)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
  # CPack gives every package with a library under /usr/lib a postinst and a
  # postrm that call ldconfig; the trigger above already has dpkg run it once
  # per transaction, so the packages are rebuilt without those two scripts.
  set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/DebianNoLdconfigScripts.cmake)

  set(CPACK_DEBIAN_DEV_PACKAGE_NAME ${TAVRO_DEV_PACKAGE})
  set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "${TAVRO_LIBRARY_PACKAGE} (= ${PROJECT_VERSION})")
  set(CPACK_DEBIAN_DEV_DESCRIPTION "IPPort and IPInfo network components (development files)
The C interface of the two network components of tavro: IPPort, a TCP
client with events, and IPInfo, network adapter information and name
resolution. This package holds the header, the pkg-config file, the
CMake package configuration and two example programs.")
endif()

include(CPack)

# Install rules and packages: `cmake --install` puts the program in bin, its
# manual page in share/man/man1 and the components' C header in include; CPack
# turns the same rules into a Debian package (Linux) or a zip (Windows).
include(GNUInstallDirs)

# The Windows zip holds both architectures side by side, so each build puts
# its tavro.exe in a folder named for its architecture.
if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(TAVRO_BIN_DESTINATION x86_64)
  else()
    set(TAVRO_BIN_DESTINATION i686)
  endif()
else()
  set(TAVRO_BIN_DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(TARGETS tavro RUNTIME DESTINATION ${TAVRO_BIN_DESTINATION} COMPONENT program)
install(FILES ${CMAKE_SOURCE_DIR}/components/include/velmora_components.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT program)
if(WIN32)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/windows/README.txt DESTINATION .
    COMPONENT program)
else()
  install(FILES ${CMAKE_SOURCE_DIR}/docs/tavro.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)
endif()

# The executable itself exports the components, but a position-independent
# executable cannot be loaded by another program, so C programs link the
# library built from the same objects (examples/CMakeLists.txt).
if(TARGET velmora_components AND NOT WIN32)
  install(TARGETS velmora_components LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    COMPONENT program)
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
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "console ping utility for ICMP echo and TCP ports")
set(CPACK_PACKAGE_CONTACT "tavro maintainers <tavro@localhost>")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-${TAVRO_BIN_DESTINATION})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION net)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Loaded at run time for the first sound, so shlibdeps cannot see them.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsndfile1, libasound2")
  # setcap comes from libcap2-bin; without it postinst leaves only a note.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libcap2-bin)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "console ping utility for ICMP echo and TCP ports\n Probes one target with ICMP echo requests, or with TCP connection\n attempts when the target is written host:port, and prints one line per\n probe and a round-trip summary, or a one-line up/down verdict.\n Also ships the C header and library of its two network components.")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/packaging/debian/postinst ${CMAKE_SOURCE_DIR}/packaging/debian/triggers)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

include(CPack)

# Every dependency comes from the system (Debian packages); nothing is vendored.
add_library(tavro_deps INTERFACE)

if(CMAKE_CROSSCOMPILING)
  # Header-only libraries are shared with the host: expose only their own
  # folders to the cross compiler, never the host's whole /usr/include.
  set(hdr ${CMAKE_BINARY_DIR}/host-headers)
  file(MAKE_DIRECTORY ${hdr})
  foreach(lib tclap boost)
    if(NOT EXISTS ${hdr}/${lib})
      file(CREATE_LINK /usr/include/${lib} ${hdr}/${lib} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(tavro_deps SYSTEM INTERFACE ${hdr})
else()
  find_path(TCLAP_INCLUDE_DIR tclap/CmdLine.h REQUIRED)
  find_package(Boost REQUIRED)
  target_include_directories(tavro_deps SYSTEM INTERFACE ${TCLAP_INCLUDE_DIR} ${Boost_INCLUDE_DIRS})
endif()

if(WIN32)
  target_compile_definitions(tavro_deps INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  target_link_libraries(tavro_deps INTERFACE ws2_32 iphlpapi dnsapi advapi32 version winmm
    user32 pdh ole32 oleaut32 mpr bcrypt)
  if(MINGW)
    # On i686 the stdcall flat functions are also exported undecorated
    # (IPPort_Create beside IPPort_Create@8): programs look them up by name,
    # and the import library keeps linking through the decorated ones.
    target_link_options(tavro_deps INTERFACE -static -static-libgcc -static-libstdc++
      -Wl,--add-stdcall-alias)
  endif()
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(CARES REQUIRED IMPORTED_TARGET libcares)
  pkg_check_modules(NETTLE REQUIRED IMPORTED_TARGET nettle)
  pkg_check_modules(LIBCAP REQUIRED IMPORTED_TARGET libcap)
  pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
  pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
  find_package(Threads REQUIRED)
  # c-ares, nettle and libcap are the system's shared libraries, linked by
  # the objects that use them (CMakeLists.txt). libsndfile and ALSA are
  # loaded at the first sound (dlopen), so only their headers take part in
  # the build.
  target_include_directories(tavro_deps SYSTEM INTERFACE ${SNDFILE_INCLUDE_DIRS} ${ALSA_INCLUDE_DIRS})
  target_link_libraries(tavro_deps INTERFACE Threads::Threads ${CMAKE_DL_LIBS})
endif()

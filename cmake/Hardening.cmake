# Hardening of every executable and library the build makes. tavro holds
# cap_net_raw, so it gets what the distribution gives its own privileged
# programs: stack protector and stack-clash probes, checked libc calls, a
# position-independent image, read-only relocations bound at load, and
# control-flow protection where the compiler has it. Windows images get ASLR and DEP.
# `hardening-check` (tests/cli/hardening.sh) checks the installed files.
include(CheckCXXCompilerFlag)
include(CheckPIESupported)

if(MSVC)
  # /GS, /DYNAMICBASE, /NXCOMPAT and /HIGHENTROPYVA are MSVC's defaults.
  return()
endif()

if(MINGW)
  # mingw's ld marks an image for ASLR and DEP only when asked (older
  # binutils never do by default); high-entropy ASLR needs a 64-bit image.
  set(tavro_pe_flags "LINKER:--dynamicbase" "LINKER:--nxcompat")
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    list(APPEND tavro_pe_flags "LINKER:--high-entropy-va")
  endif()
  add_link_options(${tavro_pe_flags})
  return()
endif()

set(CMAKE_POSITION_INDEPENDENT_CODE ON)
check_pie_supported(OUTPUT_VARIABLE tavro_pie_output LANGUAGES C CXX)
if(NOT CMAKE_CXX_LINK_PIE_SUPPORTED)
  message(WARNING "The linker cannot make position-independent executables: ${tavro_pie_output}")
endif()

add_compile_options(-fstack-protector-strong)
check_cxx_compiler_flag(-fstack-clash-protection TAVRO_HAS_STACK_CLASH_PROTECTION)
if(TAVRO_HAS_STACK_CLASH_PROTECTION)
  add_compile_options(-fstack-clash-protection)
endif()
check_cxx_compiler_flag(-fcf-protection TAVRO_HAS_CF_PROTECTION)
if(TAVRO_HAS_CF_PROTECTION)
  add_compile_options(-fcf-protection)
endif()

# The checked libc calls need the optimiser and would only warn without it;
# sanitizer and fuzz builds keep the plain calls their interceptors expect.
if(NOT TAVRO_FUZZ)
  add_compile_options(
    "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
endif()

add_link_options("LINKER:-z,relro,-z,now")

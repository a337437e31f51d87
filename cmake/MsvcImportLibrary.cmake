# cmake -DDEF=<list.def> -DMINGW_IMPLIB=<x.dll.a> -DOUT_DIR=<dir> -DBITS=<4|8>
#       -DTOOL_PREFIX=<triple-> -DDLLTOOL=<llvm-dlltool> -P MsvcImportLibrary.cmake
# Writes velmora_components.def and the MSVC import library
# velmora_components.lib into OUT_DIR. x86_64 has one calling convention, so
# the names stay as listed; the i686 functions are __stdcall, which MSVC
# programs reference as _Name@N, so each name gets its decoration as the
# mingw import library (made by the linker from the code itself) spells it.
file(STRINGS ${DEF} lines)
set(names "")
foreach(line ${lines})
  if(line MATCHES "^  ([A-Za-z_]+)$")
    list(APPEND names ${CMAKE_MATCH_1})
  endif()
endforeach()
list(LENGTH names count)
if(NOT count EQUAL 20)
  message(FATAL_ERROR "${DEF} lists ${count} functions, not the twenty of the header")
endif()

set(exports "")
if(BITS EQUAL 4)
  execute_process(COMMAND ${TOOL_PREFIX}nm -g ${MINGW_IMPLIB} OUTPUT_VARIABLE symbols
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${TOOL_PREFIX}nm ${MINGW_IMPLIB} failed")
  endif()
  foreach(name ${names})
    if(NOT symbols MATCHES " T _(${name}@[0-9]+)\n")
      message(FATAL_ERROR "${MINGW_IMPLIB} has no stdcall ${name}")
    endif()
    string(APPEND exports "  ${CMAKE_MATCH_1}\n")
  endforeach()
  set(machine i386)
else()
  foreach(name ${names})
    string(APPEND exports "  ${name}\n")
  endforeach()
  set(machine i386:x86-64)
endif()

file(WRITE ${OUT_DIR}/velmora_components.def "LIBRARY velmora_components.dll\nEXPORTS\n${exports}")
# llvm-dlltool writes the short import objects MSVC's own tools make: the
# linker builds the thunks itself, so an x86 link with /SAFESEH (its
# default) accepts them, and they hold no file names or time stamps of this
# build. GNU dlltool's long-form objects carry neither the SAFESEH marker
# nor a path-free name, and the x86 link refuses them.
execute_process(COMMAND ${DLLTOOL} -m ${machine} -d velmora_components.def
  -D velmora_components.dll -l velmora_components.lib
  WORKING_DIRECTORY ${OUT_DIR} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dlltool could not make velmora_components.lib")
endif()

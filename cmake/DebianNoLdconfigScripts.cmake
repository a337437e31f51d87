# CPack post-build script: rebuilds each Debian package whose postinst or
# postrm only calls ldconfig (CPack writes them for every library under
# /usr/lib) without those scripts. The package's ldconfig trigger
# (packaging/debian/triggers) already has dpkg run ldconfig once per
# transaction, and calling it from a maintainer script is what that trigger
# replaces. Scripts of our own (the program's postinst) are left alone.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  set(tree ${deb}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb -R ${deb} ${tree} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "dpkg-deb -R ${deb} failed")
  endif()
  set(changed FALSE)
  foreach(script postinst postrm)
    set(path ${tree}/DEBIAN/${script})
    if(EXISTS ${path})
      file(READ ${path} text)
      string(REGEX REPLACE "#[^\n]*\n|set -e\n|exit 0\n|[ \t\n]" "" code "${text}")
      string(REGEX REPLACE "if\\[\"\\$1\"=\"(configure|remove)\"\\];thenldconfigfi" "" code "${code}")
      if(code STREQUAL "")
        file(REMOVE ${path})
        set(changed TRUE)
      endif()
    endif()
  endforeach()
  if(changed)
    execute_process(COMMAND dpkg-deb --root-owner-group -Zxz -b ${tree} ${deb}
      RESULT_VARIABLE rc OUTPUT_QUIET)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "dpkg-deb -b ${deb} failed")
    endif()
  endif()
  file(REMOVE_RECURSE ${tree})
endforeach()

# cmake -DPAGE=<page.3> -DOUT=<page.3.txt> -P ManualPageText.cmake
# Renders a manual page as plain text with CR LF line ends, for readers
# without man (the Windows SDK zip): groff's ASCII output without
# overstriking, so the file reads the same in any editor.
find_program(GROFF groff REQUIRED)
execute_process(COMMAND ${GROFF} -man -Tascii -P-cbou -rLL=78n ${PAGE}
  OUTPUT_VARIABLE text ERROR_VARIABLE errors RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT errors STREQUAL "")
  message(FATAL_ERROR "groff could not render ${PAGE}: ${errors}")
endif()
string(REGEX REPLACE "\r?\n" "\r\n" text "${text}")
file(WRITE ${OUT} "${text}")

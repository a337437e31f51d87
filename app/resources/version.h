/* The executable's version strings: the one source for the Windows version
   resource (version.rc) and the table compiled into POSIX builds
   (version.cmake). Plain macros only, so the resource compiler reads it too. */
#ifndef TAVRO_APP_RESOURCES_VERSION_H_
#define TAVRO_APP_RESOURCES_VERSION_H_

/* The numbers come from the project version (version_numbers.h.in). */
#include "tavro_version_numbers.h"

#define TAVRO_COMMENTS "ICMP echo and TCP port probes from the command line"
#define TAVRO_COMPANY_NAME "velmorasoft"
#define TAVRO_FILE_DESCRIPTION "Console ping utility for ICMP echo and TCP ports"
#define TAVRO_FILE_VERSION TAVRO_VERSION_TEXT
#define TAVRO_INTERNAL_NAME "tavro"
#define TAVRO_LEGAL_COPYRIGHT "Copyright (C) 2026"
#define TAVRO_ORIGINAL_FILENAME "tavro.exe"
#define TAVRO_PRODUCT_NAME "tavro"
#define TAVRO_PRODUCT_VERSION TAVRO_VERSION_TEXT

/* US English, Unicode: the string table the program reads. */
#define TAVRO_VERSION_TRANSLATION "040904b0"
#define TAVRO_VERSION_LANGUAGE 0x0409
#define TAVRO_VERSION_CODEPAGE 1200

/* Every string of the table, for code that walks them all. Keys without a
   value (trademarks, private and special build) are left out. */
#define TAVRO_VERSION_STRINGS(X)                 \
  X("Comments", TAVRO_COMMENTS)                  \
  X("CompanyName", TAVRO_COMPANY_NAME)           \
  X("FileDescription", TAVRO_FILE_DESCRIPTION)   \
  X("FileVersion", TAVRO_FILE_VERSION)           \
  X("InternalName", TAVRO_INTERNAL_NAME)         \
  X("LegalCopyright", TAVRO_LEGAL_COPYRIGHT)     \
  X("OriginalFilename", TAVRO_ORIGINAL_FILENAME) \
  X("ProductName", TAVRO_PRODUCT_NAME)           \
  X("ProductVersion", TAVRO_PRODUCT_VERSION)

#endif /* TAVRO_APP_RESOURCES_VERSION_H_ */

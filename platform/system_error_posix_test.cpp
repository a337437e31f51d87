#include "platform/system_error_posix.h"

#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>

#include "platform/system_error.h"

namespace velmora::platform {
namespace {

std::string textOf(uint32_t code, size_t bufferSize = 512) {
  std::string text;
  return systemMessageText(code, true, bufferSize, &text) ? text : "<none>";
}

TEST(SystemErrorPosix, TextsAreWindowsOwnWithLineBreakAsBlank) {
  EXPECT_EQ(textOf(2), "The system cannot find the file specified. ");
  EXPECT_EQ(textOf(5), "Access is denied. ");
  EXPECT_EQ(textOf(1208), "An extended error has occurred. ");
  EXPECT_EQ(textOf(10061),
            "No connection could be made because the target machine actively "
            "refused it. ");
  EXPECT_EQ(textOf(11001), "No such host is known. ");
  EXPECT_EQ(textOf(11004),
            "The requested name is valid, but no data of the requested type was "
            "found. ");
  // Not the echo status meaning: the system's text for that number.
  EXPECT_EQ(textOf(11010), "Error due to lack of resources. ");
}

TEST(SystemErrorPosix, EveryWinsockCodeInTheKnownRangesHasText) {
  std::string text;
  for (uint32_t code : {10004u, 10009u, 10013u, 10014u, 10022u, 10024u}) {
    EXPECT_TRUE(systemMessageText(code, true, 512, &text)) << code;
  }
  for (uint32_t code = 10035; code <= 10071; ++code) {
    EXPECT_TRUE(systemMessageText(code, true, 512, &text)) << code;
  }
  for (uint32_t code : {10091u, 10092u, 10093u}) {
    EXPECT_TRUE(systemMessageText(code, true, 512, &text)) << code;
  }
  for (uint32_t code = 10101; code <= 10112; ++code) {
    EXPECT_TRUE(systemMessageText(code, true, 512, &text)) << code;
  }
  EXPECT_FALSE(systemMessageText(10097, true, 512, &text)) << "no such Winsock code";
}

TEST(SystemErrorPosix, BufferMustHoldTextAndTerminatingZero) {
  const std::string full = textOf(5);
  std::string text;
  EXPECT_FALSE(systemMessageText(5, false, full.size(), &text));
  EXPECT_TRUE(systemMessageText(5, false, full.size() + 1, &text));
  EXPECT_EQ(text, full);
}

TEST(SystemErrorPosix, IcmpPermissionTextNamesBothRemedies) {
  const std::string text = textOf(kIcmpPermissionError);
  EXPECT_NE(text.find("ping_group_range"), std::string::npos) << text;
  EXPECT_NE(text.find("cap_net_raw"), std::string::npos) << text;
}

TEST(SystemErrorPosix, ErrnoMapsToWinsockCodes) {
  EXPECT_EQ(windowsErrorFromErrno(ECONNREFUSED), 10061u);
  EXPECT_EQ(windowsErrorFromErrno(ETIMEDOUT), 10060u);
  EXPECT_EQ(windowsErrorFromErrno(EHOSTUNREACH), 10065u);
  EXPECT_EQ(windowsErrorFromErrno(ENETUNREACH), 10051u);
  EXPECT_EQ(windowsErrorFromErrno(ECONNRESET), 10054u);
  EXPECT_EQ(windowsErrorFromErrno(EPIPE), 10054u);
  EXPECT_EQ(windowsErrorFromErrno(EAGAIN), 10035u);
  EXPECT_EQ(windowsErrorFromErrno(EINPROGRESS), 10036u);
  EXPECT_EQ(windowsErrorFromErrno(EACCES), 10013u);
  EXPECT_EQ(windowsErrorFromErrno(ENOMEM), 8u);
  EXPECT_EQ(windowsErrorFromErrno(EDOM), 10045u) << "unmapped values";
}

// The socket layer and the system layer read one errno table; where the two
// once disagreed, the codes are the ones the Windows call gives.
TEST(SystemErrorPosix, SocketCallsReportWhatWinsockReports) {
  EXPECT_EQ(winsockCodeFromErrno(ENOMEM), 10055) << "no buffer space, not 'not supported'";
  EXPECT_EQ(windowsErrorFromErrno(ENOENT), 2u);
  EXPECT_EQ(winsockCodeFromErrno(ECONNREFUSED), 10061);
  EXPECT_EQ(winsockCodeFromErrno(EAGAIN), 10035);
  EXPECT_EQ(winsockCodeFromErrno(EBADF), 10038);
  EXPECT_EQ(winsockCodeFromErrno(EDOM), 10045) << "unmapped values";
}

// One getaddrinfo table for every lookup: each result as Windows'
// getaddrinfo reports it, whichever lookup met it.
TEST(SystemErrorPosix, ResolverResultsAreWindowsGetaddrinfoCodes) {
  EXPECT_EQ(winsockCodeFromEai(EAI_NONAME, 0), 11001);
  EXPECT_EQ(winsockCodeFromEai(EAI_AGAIN, 0), 11002);
  EXPECT_EQ(winsockCodeFromEai(EAI_FAIL, 0), 11003);
  EXPECT_EQ(winsockCodeFromEai(EAI_MEMORY, 0), 8) << "was 11001 for IPv6 lookups";
  EXPECT_EQ(winsockCodeFromEai(EAI_FAMILY, 0), 10047) << "was 11001 for canonical lookups";
  EXPECT_EQ(winsockCodeFromEai(EAI_BADFLAGS, 0), 10022);
  EXPECT_EQ(winsockCodeFromEai(EAI_SERVICE, 0), 10109);
  EXPECT_EQ(winsockCodeFromEai(EAI_SOCKTYPE, 0), 10044);
  EXPECT_EQ(winsockCodeFromEai(EAI_SYSTEM, ECONNREFUSED), 10061) << "the saved errno";
#ifdef EAI_NODATA
  EXPECT_EQ(winsockCodeFromEai(EAI_NODATA, 0), 11001);
#endif
#ifdef EAI_ADDRFAMILY
  EXPECT_EQ(winsockCodeFromEai(EAI_ADDRFAMILY, 0), 11001) << "a name without IPv6 addresses";
#endif
  EXPECT_EQ(winsockCodeFromEai(EAI_OVERFLOW, 0), 11003) << "results without a counterpart";
}

TEST(SystemErrorPosix, LastSystemErrorReadsErrno) {
  errno = ECONNREFUSED;
  EXPECT_EQ(lastSystemError(), 10061u);
  errno = 0;
  EXPECT_EQ(lastSystemError(), 0u);
}

}  // namespace
}  // namespace velmora::platform

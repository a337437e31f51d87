#include <gtest/gtest.h>

#include <cstring>

#include "components/ipport/proxy/base64.h"
#include "components/ipport/proxy/http_reply.h"
#include "components/ipport/proxy/socks.h"

namespace velmora::components::proxy {
namespace {

TEST(Base64, RoundTripsEveryTailLength) {
  EXPECT_EQ(base64Encode("Aladdin:open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
  for (std::string data : {"", "f", "fo", "foo", "foob", "fooba", "foobar", "\xff\x00\x80"}) {
    std::string decoded;
    ASSERT_TRUE(base64Decode(base64Encode(data), &decoded)) << data;
    EXPECT_EQ(decoded, data);
  }
}

TEST(Base64, RejectsMalformedText) {
  std::string out = "stale";
  for (const char* bad : {"abc", "ab=c", "a===", "ab!d", "=abc", "ab==cd==", "YQ==YQ=="}) {
    EXPECT_FALSE(base64Decode(bad, &out)) << bad;
    EXPECT_EQ(out, "");
  }
  ASSERT_TRUE(base64Decode(" YWI= \r\n", &out));
  EXPECT_EQ(out, "ab");
}

TEST(Socks, RequestsLayOutTheirFields) {
  uint32_t address = 0;
  const unsigned char dotted[4] = {10, 1, 2, 3};
  std::memcpy(&address, dotted, 4);
  EXPECT_EQ(socks4Request(address, 0x1F90, "bob"), std::string("\x04\x01\x1f\x90\x0a\x01\x02\x03"
                                                               "bob\0",
                                                               12));
  EXPECT_EQ(socks5Greeting(true), std::string("\x05\x02\x00\x02", 4));
  EXPECT_EQ(socks5Greeting(false), std::string("\x05\x01\x00", 3));
  EXPECT_EQ(socks5PasswordRequest("u", "pw"), std::string("\x01\x01u\x02pw"));
  EXPECT_EQ(socks5ConnectByAddress(address, 443),
            std::string("\x05\x01\x00\x01\x0a\x01\x02\x03\x01\xbb", 10));
}

TEST(Socks, NameRequestCarriesLengthAndRefusesWhatDoesNotFit) {
  std::string request;
  ASSERT_TRUE(socks5ConnectByName("example.test", 80, &request));
  EXPECT_EQ(request,
            std::string("\x05\x01\x00\x03\x0c", 5) + "example.test" + std::string("\x00\x50", 2));
  EXPECT_FALSE(socks5ConnectByName("", 80, &request));
  EXPECT_FALSE(socks5ConnectByName(std::string(256, 'a'), 80, &request));
  EXPECT_TRUE(socks5ConnectByName(std::string(255, 'a'), 80, &request));
}

TEST(Socks, ReplyCodesGiveTheirTexts) {
  EXPECT_EQ(socks4ReplyText(90), "");
  EXPECT_EQ(socks4ReplyText(91), "firewall request rejected or failed");
  EXPECT_EQ(socks4ReplyText(93), "firewall request rejected because identd reports different user");
  EXPECT_EQ(socks4ReplyText(0), "unknown firewall error: 0");
  EXPECT_EQ(socks5ReplyText(0), "");
  EXPECT_EQ(socks5ReplyText(1), "general SOCKS server failure");
  EXPECT_EQ(socks5ReplyText(8), "address type not supported");
  EXPECT_EQ(socks5ReplyText(9), "unknown firewall error: 9");
  EXPECT_EQ(socks5ReplyText(255), "unknown firewall error: 255");
  EXPECT_EQ(socks5MethodText(255), "no acceptable firewall authentication methods");
  EXPECT_EQ(socks5MethodText(1), "unknown firewall authentication method");
}

TEST(HttpReply, JudgesTheStatusOnceTenBytesArrived) {
  size_t end = 0;
  EXPECT_EQ(judgeConnectReply("HTTP/1.0 4", &end), ConnectReplyState::kRejected);
  EXPECT_EQ(judgeConnectReply("HTTP/1.0 2", &end), ConnectReplyState::kIncomplete);
  EXPECT_EQ(judgeConnectReply("HTTP/1.0 ", &end), ConnectReplyState::kIncomplete);
  EXPECT_EQ(judgeConnectReply("HTTP/1.0          ", &end), ConnectReplyState::kIncomplete);
  EXPECT_EQ(judgeConnectReply("HTTP/1.0200OK", &end), ConnectReplyState::kRejected);
  EXPECT_EQ(judgeConnectReply("HTTP/1.1 200 OK\r\nVia: x\r\n\r\nDATA", &end),
            ConnectReplyState::kAccepted);
  EXPECT_EQ(end, 27u);
  EXPECT_EQ(judgeConnectReply("HTTP/1.1 200 OK\n\nDATA", &end), ConnectReplyState::kAccepted);
  EXPECT_EQ(end, 17u);
}

TEST(HttpReply, FailureMessageEndsWithOneFullStop) {
  EXPECT_EQ(connectFailureMessage("HTTP/1.0 403 Forbidden\r\n\r\n"),
            "Firewall error. HTTP/1.0 403 Forbidden.");
  EXPECT_EQ(connectFailureMessage("HTTP/1.0 403 Go away.\r\n"),
            "Firewall error. HTTP/1.0 403 Go away.");
}

TEST(HttpReply, LinePartsAndBoundedNumbers) {
  std::string code, rest, name, value;
  splitStatusLine("HTTP/1.1 407 Proxy Authentication Required", &code, &rest);
  EXPECT_EQ(code, "407");
  EXPECT_EQ(rest, "Proxy Authentication Required");
  splitStatusLine("garbage", &code, &rest);
  EXPECT_EQ(code, "");
  ASSERT_TRUE(splitHeader("Content-Length:   12", &name, &value));
  EXPECT_EQ(name, "Content-Length");
  EXPECT_EQ(value, "12");
  EXPECT_TRUE(equalsIgnoreCase("CHUNKED", "chunked"));
  EXPECT_FALSE(equalsIgnoreCase("chunk", "chunked"));
  int64_t size = 0;
  EXPECT_TRUE(parseChunkSize("1A;ext=1", 1000, &size));
  EXPECT_EQ(size, 26);
  EXPECT_FALSE(parseChunkSize("", 1000, &size));
  EXPECT_FALSE(parseChunkSize("fffffffffffffffffffff", 1000, &size));
  EXPECT_TRUE(parseContentLength("0", 10, &size));
  EXPECT_FALSE(parseContentLength("-1", 10, &size));
  EXPECT_FALSE(parseContentLength("99999999999999999999999", 10, &size));
}

}  // namespace
}  // namespace velmora::components::proxy

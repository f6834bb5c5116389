#include "launcher/net/HttpClient.h"

#include <gtest/gtest.h>

#include "tests/net/NetTestPorts.h"

using namespace Launcher;

namespace {

// The body of the scripted "ok" reply, as test_server.py writes it.
const std::string kOkBody =
    "{\"Code\": 0, \"Msg\": \"\", \"Data\": {\"LatestVersion\": \"1.0.0.10\", \"UpdateContent\": "
    "\"1.\xE4\xBF\xAE\xE5\xA4\x8D\xE4\xBA\x86\xE5\x8A\xA0\xE9\x80\x9F\xE6\x96\xAD\xE7\xBA\xBF\xE7\x9A\x84\xE9\x97\xAE"
    "\xE9\xA2\x98|2.\xE4\xBC\x98\xE5\x8C\x96\xE4\xBA\x86\xE6\xB8\xB8\xE6\x88\x8F\xE5\x88\x97\xE8\xA1\xA8\", "
    "\"DownloadUrl\": \"http://127.0.0.1/pkg/Tarvo_1.0.0.10.7z\"}}";
const std::string kOkBodyWithoutMsg = [] {
  std::string body = kOkBody;
  body.erase(body.find(" \"Msg\": \"\","), 11);
  return body;
}();

std::string BigBody() {
  std::string body;
  for (int i = 0; i < 50000; ++i) body.push_back(static_cast<char>((i * 7 + 3) % 26 + 97));
  return body;
}

TEST(HttpClient, EachScriptedReplyGivesItsStateAndBody) {
  const struct {
    const char* name;
    std::string url;
    HttpState state;
    std::string body;
  } cases[] = {
      // The HTTPS server's certificate is self-signed, for another.example and
      // expired: it is accepted all the same.
      {"ok over https", HttpsUrl("/case/ok"), HttpOk, kOkBody},
      {"ok over http", HttpUrl("/case/ok"), HttpOk, kOkBody},
      {"no scheme: plain http", "127.0.0.1:" + std::to_string(HttpPort()) + "/case/ok", HttpOk, kOkBody},
      {"empty body", HttpsUrl("/case/empty"), HttpOk, ""},
      // Only "404" decides; any other status is a reply like the rest.
      {"server error page", HttpsUrl("/case/html"), HttpOk,
       "<html><head><title>500</title></head><body><h1>Server Error</h1></body></html>"},
      {"404 in the status line", HttpsUrl("/case/status404"), HttpNotFound, ""},
      {"404 only in a header and the body", HttpsUrl("/case/body404"), HttpOk, "error 404 is only mentioned here"},
      // The header buffer holds 4096 bytes, not 4096 characters.
      {"header block of 4096 bytes", HttpsUrl("/case/headers-4096-bytes"), HttpOk, "fits"},
      {"header block of 4098 bytes", HttpsUrl("/case/headers-4098-bytes"), HttpQueryFailed, ""},
      // The zero byte cuts the first 4096-byte piece; the next piece follows.
      {"zero byte in the body", HttpsUrl("/case/zero-byte"), HttpOk, "abc" + std::string(100, 'z')},
      {"chunked, no length", HttpsUrl("/case/chunked"), HttpOk, kOkBodyWithoutMsg},
      {"slow reply", HttpsUrl("/case/slow"), HttpOk, kOkBodyWithoutMsg},
      {"body of many pieces", HttpUrl("/case/big-body"), HttpOk, BigBody()},
      // No version reply is that large; reading on could exhaust the memory.
      {"body beyond 16 MiB", HttpUrl("/case/oversized-body"), HttpQueryFailed, ""},
      {"nobody listening", "https://127.0.0.1:" + std::to_string(ClosedPort()) + "/case/ok", HttpSendFailed, ""},
      {"port beyond 16 bits", "https://127.0.0.1:" + std::to_string(HttpsPort() + 65536) + "/case/ok",
       HttpConnectFailed, ""},
      {"no host name", "https://:" + std::to_string(HttpsPort()) + "/case/ok", HttpConnectFailed, ""},
      {"empty address", "", HttpEmptyUrl, ""},
  };
  for (const auto& c : cases) {
    HttpClient client;
    const std::string body = client.Get(c.url, "");
    EXPECT_EQ(client.State(), c.state) << c.name;
    EXPECT_EQ(body, c.body) << c.name;
  }
}

TEST(HttpClient, ReusedClientDescribesOnlyTheLastRequest) {
  HttpClient client;
  EXPECT_EQ(client.Get(HttpsUrl("/case/status404"), ""), "");
  EXPECT_EQ(client.State(), HttpNotFound);
  EXPECT_EQ(client.Get(HttpsUrl("/case/ok"), ""), kOkBody);
  EXPECT_EQ(client.State(), HttpOk);
  EXPECT_EQ(client.Get("", ""), "");
  EXPECT_EQ(client.State(), HttpEmptyUrl);
}

TEST(HttpClient, RequestsPathAndQueryWithoutTheFragment) {
  HttpClient client;
  const std::string echoed = client.Get(HttpsUrl("/echo-request?oemId=1#fragment"), "");
  EXPECT_EQ(client.State(), HttpOk);
  EXPECT_EQ(echoed.substr(0, echoed.find("\r\n")), "GET /echo-request?oemId=1 HTTP/1.1");
}

// Plain HTTP is requested with the platform's defaults, so a cookie set there
// comes back; HTTPS neither stores nor sends cookies and keeps the connection.
TEST(HttpClient, RequestFlagsFollowTheScheme) {
  HttpClient client;
  ASSERT_EQ(client.Get(HttpUrl("/set-cookie?plain"), ""), "set");
  ASSERT_EQ(client.Get(HttpsUrl("/set-cookie?secure"), ""), "set");

  const std::string plain = client.Get(HttpUrl("/echo-request"), "");
  EXPECT_NE(plain.find("\r\nCookie: plain=1\r\n"), std::string::npos) << plain;
  EXPECT_EQ(plain.find("secure=1"), std::string::npos) << plain;

  const std::string secure = client.Get(HttpsUrl("/echo-request"), "");
  EXPECT_EQ(client.State(), HttpOk);
  EXPECT_EQ(secure.find("Cookie:"), std::string::npos) << secure;
  EXPECT_NE(secure.find("\r\nConnection: Keep-Alive\r\n"), std::string::npos) << secure;
}

TEST(HttpClient, ExtraHeadersAreSent) {
  HttpClient client;
  const std::string echoed = client.Get(HttpsUrl("/echo-request"), "X-Test: 1\r\n");
  EXPECT_EQ(client.State(), HttpOk);
  EXPECT_NE(echoed.find("\r\nX-Test: 1\r\n"), std::string::npos) << echoed;
  EXPECT_NE(echoed.find("\r\nUser-Agent: Http-connect\r\n"), std::string::npos) << echoed;
}

}  // namespace

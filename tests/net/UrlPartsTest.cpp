#include "launcher/net/UrlParts.h"

#include <gtest/gtest.h>

using namespace Launcher;

namespace {

TEST(ParseUrl, SplitsEveryFormOfAddress) {
  const struct {
    const char* url;
    const char* scheme;
    const char* host;
    uint32_t port;
    const char* path;
    const char* query;
  } cases[] = {
      {"https://update.tarvo.com:1011/v1/oem/clientVersion?oemId=1", "https", "update.tarvo.com", 1011,
       "/v1/oem/clientVersion", "oemId=1"},
      {"https://host", "https", "host", 443, "", ""},
      {"http://host", "http", "host", 80, "", ""},
      {"http://host:8080/a/b?x=1#frag", "http", "host", 8080, "/a/b", "x=1"},
      {"http://host/p#f?q=1", "http", "host", 80, "/p", ""},  // a fragment before "?" hides the query
      {"http://host/p?a=1?b=2", "http", "host", 80, "/p", "a=1?b=2"},
      {"http://host:12ab/x", "http", "host", 12, "/x", ""},  // digits up to the first letter
      {"http://host:ab/x", "http", "host", 0, "/x", ""},
      {"http://host:/x", "http", "host", 80, "/x", ""},  // empty port text: the scheme's default
      {"http://host:99999999999999999999/x", "http", "host", 0xFFFFFFFFu, "/x", ""},  // saturates, no wrap
      {"https://host:65536/", "https", "host", 65536, "/", ""},
      {"host:81/a?b", "", "host", 81, "/a", "b"},  // no prefix: plain HTTP
      {"host", "", "host", 80, "", ""},
      {"/abs/path", "", "/abs", 80, "/path", ""},           // the search for "/" starts after position 0
      {"HTTPS://host/x", "", "HTTPS", 80, "//host/x", ""},  // the prefix is case-sensitive
      {"https://", "https", "", 443, "", ""},
      {"http:/", "", "http", 80, "/", ""},
      {"https://h:1/a#", "https", "h", 1, "/a", ""},
      {"https://[::1]:8443/x", "https", "[", 0, "/x", ""},  // the first ":" splits host from port
  };
  for (const auto& c : cases) {
    const UrlParts parts = ParseUrl(c.url);
    EXPECT_EQ(parts.scheme, c.scheme) << c.url;
    EXPECT_EQ(parts.host, c.host) << c.url;
    EXPECT_EQ(parts.port, c.port) << c.url;
    EXPECT_EQ(parts.path, c.path) << c.url;
    EXPECT_EQ(parts.query, c.query) << c.url;
  }
}

}  // namespace

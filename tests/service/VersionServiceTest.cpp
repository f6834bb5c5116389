#include "launcher/service/VersionService.h"

#include <gtest/gtest.h>

#include "tests/net/NetTestPorts.h"
#include "tests/support/Files.h"

using namespace Launcher;

namespace {

const std::wstring kNotes =
    L"1.\u4fee\u590d\u4e86\u52a0\u901f\u65ad\u7ebf\u7684\u95ee\u9898|2.\u4f18\u5316\u4e86"
    L"\u6e38\u620f\u5217\u8868";
const std::wstring kUrl = L"http://127.0.0.1/pkg/Tarvo_1.0.0.10.7z";

VersionReply Expected(bool succeeded, int code, const std::wstring& latest = L"", const std::wstring& notes = L"",
                      const std::wstring& url = L"") {
  VersionReply reply;
  reply.requestSucceeded = succeeded;
  reply.code = code;
  reply.latestVersion = latest;
  reply.updateContent = notes;
  reply.downloadUrl = url;
  return reply;
}

void ExpectReply(const VersionReply& actual, const VersionReply& expected, const std::string& name) {
  EXPECT_EQ(actual.requestSucceeded, expected.requestSucceeded) << name;
  EXPECT_EQ(actual.code, expected.code) << name;
  EXPECT_EQ(actual.latestVersion, expected.latestVersion) << name;
  EXPECT_EQ(actual.updateContent, expected.updateContent) << name;
  EXPECT_EQ(actual.downloadUrl, expected.downloadUrl) << name;
}

TEST(FetchVersionReply, ScriptedRepliesFromTheHttpsService) {
  const struct {
    const char* name;
    VersionReply expected;
  } cases[] = {
      {"ok", Expected(true, 0, L"1.0.0.10", kNotes, kUrl)},
      {"chunked", Expected(true, 0, L"1.0.0.10", kNotes, kUrl)},
      {"slow", Expected(true, 0, L"1.0.0.10", kNotes, kUrl)},
      {"code7", Expected(true, 7)},  // Data is sent as well, and ignored
      {"no-url", Expected(true, 0, L"1.0.0.10", kNotes, L"")},
      {"code-half", Expected(true, 0, L"1.0.0.10", L"", L"http://x/p.7z")},
      {"bad-utf8", Expected(true, 0, L"1.0.0.10", L"", L"http://127.0.0.1/pkg/p.7z")},
      {"empty", Expected(true, 0)},
      {"html", Expected(true, 0)},  // a 500 page is a reply, but not JSON
      {"body404", Expected(true, 0)},
      {"status404", Expected(false, 0)},
      {"big-headers", Expected(false, 0)},
      {"zero-byte", Expected(true, 0)},
  };
  for (const auto& c : cases) {
    HttpClient client;
    ExpectReply(FetchVersionReplyFrom(client, HttpsUrl(std::string("/case/") + c.name)), c.expected, c.name);
  }

  HttpClient client;
  ExpectReply(FetchVersionReplyFrom(client, "https://127.0.0.1:" + std::to_string(ClosedPort()) + "/"),
              Expected(false, 0), "closed port");
}

// A reply naming version 1.0.0.10 with one more member of the given text.
std::string WithMember(const std::string& member) {
  return R"({"Code":0,"Data":{"LatestVersion":"1.0.0.10"},"Extra":)" + member + "}";
}

TEST(ReadVersionReply, MemberTypesAndBrokenReplies) {
  const std::wstring v = L"1.0.0.10";
  const std::wstring u = L"http://h/p.7z";
  const struct {
    std::string body;
    VersionReply expected;
  } cases[] = {
      {R"({"Code":0,"Data":{"LatestVersion":"1.0.0.10","UpdateContent":"a|b","DownloadUrl":"http://h/p.7z"}})",
       Expected(true, 0, v, L"a|b", u)},
      {"// comments are accepted\n{\"Code\":0 /* here too */,\"Data\":{\"LatestVersion\":\"1.0.0.10\"}}",
       Expected(true, 0, v)},
      {R"({})", Expected(true, 0)},
      {R"({"Code":null,"Data":null})", Expected(true, 0)},
      {R"({"Code":-3})", Expected(true, -3)},
      {R"({"Code":2147483647})", Expected(true, 2147483647)},
      {R"({"Code":-2147483648})", Expected(true, INT32_MIN)},
      {R"({"Code":-1.9})", Expected(true, -1)},  // truncated toward zero
      {R"({"Code":true,"Data":{"LatestVersion":"1.0.0.10"}})", Expected(true, 1)},
      {R"({"Code":false,"Data":{"LatestVersion":"1.0.0.10"}})", Expected(true, 0, v)},
      {R"({"Code":0,"Data":{"LatestVersion":true,"UpdateContent":false,"DownloadUrl":null}})",
       Expected(true, 0, L"true", L"false", L"")},
      {R"({"Code":0,"Data":{"LatestVersion":"1.0.0.10","UpdateContent":"\ud83d\ude00"}})",
       Expected(true, 0, v, L"\xD83D\xDE00")},
      // Replies that break their form are not used at all: no address that
      // the service did not clearly send can come out of them.
      {R"({"Code":"0","Data":{"DownloadUrl":"http://h/p.7z"}})", Expected(true, 0)},
      {R"({"Code":[0],"Data":{"DownloadUrl":"http://h/p.7z"}})", Expected(true, 0)},
      {R"({"Code":{},"Data":{"DownloadUrl":"http://h/p.7z"}})", Expected(true, 0)},
      {R"({"Code":4294967296,"Data":{"DownloadUrl":"http://h/p.7z"}})", Expected(true, 0)},
      {R"({"Code":2147483648})", Expected(true, 0)},
      {R"({"Code":1e300})", Expected(true, 0)},
      // Numbers are read whole and in the C locale; one beyond the double
      // range makes the body unreadable, one below it reads as zero.
      {R"({"Code":-4.5e1})", Expected(true, -45)},
      {R"({"Code":0,"Data":{"LatestVersion":"1.0.0.10"},"Size":1e999})", Expected(true, 0)},
      {R"({"Code":0,"Data":{"LatestVersion":"1.0.0.10"},"Size":-1E+999})", Expected(true, 0)},
      {R"({"Code":1e-999,"Data":{"LatestVersion":"1.0.0.10"}})", Expected(true, 0, v)},
      {R"({"Code":0.0,"Data":{"LatestVersion":"1.0.0.10"},"Size":12.5e-1})", Expected(true, 0, v)},
      {R"({"Code":0,"Data":["http://h/p.7z"]})", Expected(true, 0)},
      {R"({"Code":0,"Data":"http://h/p.7z"})", Expected(true, 0)},
      {R"({"Code":0,"Data":{"LatestVersion":9,"DownloadUrl":"http://h/p.7z"}})", Expected(true, 0)},
      {R"({"Code":0,"Data":{"LatestVersion":"1.0.0.10","DownloadUrl":["http://h/p.7z"]}})", Expected(true, 0)},
      {R"({"Code":0,"Data":{"LatestVersion":"1.0.0.10","UpdateContent":{"a":1},"DownloadUrl":"http://h/p.7z"}})",
       Expected(true, 0)},
      {R"(["Code",0])", Expected(true, 0)},
      {R"("http://h/p.7z")", Expected(true, 0)},
      {R"(7)", Expected(true, 0)},
      {R"({"Code":0,"Data":{"DownloadUrl":"http://h/p.7z")", Expected(true, 0)},  // cut off
      {"", Expected(true, 0)},
      {"<html><body>502 Bad Gateway</body></html>", Expected(true, 0)},
      {std::string(5000, '[') + std::string(5000, ']'), Expected(true, 0)},  // deeper than the reader goes
      // The reader takes 1000 levels of values; a member one level deeper
      // fails the whole body, and neither aborts.
      {WithMember(std::string(999, '[') + std::string(999, ']')), Expected(true, 0, v)},
      {WithMember(std::string(1000, '[') + std::string(1000, ']')), Expected(true, 0)},
  };
  for (const auto& c : cases) ExpectReply(ReadVersionReply(c.body), c.expected, c.body.substr(0, 80));
}

}  // namespace

namespace {

// Data.Signature: read like the other members, but one that is not text or
// is too long leaves the signature empty and the rest of the reply as sent.
TEST(ReadVersionReply, SignatureMember) {
  const std::string signature =
      "untrusted comment: signature from minisign secret key\\nRURkNOpX\\ntrusted comment: version 1.0.0.10\\nSQKa";
  const std::string longest(kMaxSignatureSize, 'x');
  const struct {
    const char* name;
    std::string member;  // the JSON text after "Signature": ; empty: no member
    std::wstring expected;
  } cases[] = {
      {"text", "\"" + signature + "\"",
       L"untrusted comment: signature from minisign secret key\nRURkNOpX\ntrusted comment: version 1.0.0.10\nSQKa"},
      {"missing", "", L""},
      {"null", "null", L""},
      {"true", "true", L"true"},
      {"number", "12", L""},
      {"array", "[\"a\"]", L""},
      {"object", "{\"a\": 1}", L""},
      {"at the size limit", "\"" + longest + "\"", std::wstring(kMaxSignatureSize, L'x')},
      {"one byte above the limit", "\"" + longest + "x\"", L""},
      {"malformed UTF-8", "\"bad \xff\"", L""},
  };
  for (const auto& c : cases) {
    const std::string body =
        "{\"Code\": 0, \"Data\": {\"LatestVersion\": \"1.0.0.10\", \"DownloadUrl\": \"http://h/p.7z\"" +
        (c.member.empty() ? std::string() : ", \"Signature\": " + c.member) + "}}";
    const VersionReply reply = ReadVersionReply(body);
    EXPECT_EQ(reply.signature, c.expected) << c.name;
    EXPECT_EQ(reply.code, 0) << c.name;
    EXPECT_EQ(reply.latestVersion, L"1.0.0.10") << c.name;
    EXPECT_EQ(reply.downloadUrl, L"http://h/p.7z") << c.name;
  }
  // A declining reply carries no signature.
  EXPECT_EQ(ReadVersionReply("{\"Code\": 7, \"Data\": {\"Signature\": \"s\"}}").signature, L"");
}

// A reply offering 1.0.0.10 at http://h/p.7z whose Data has `member` with
// the JSON text `json` besides (none when `json` is empty).
std::string ReplyWith(const char* member, const char* json) {
  return std::string("{\"Code\": 0, \"Data\": {\"LatestVersion\": \"1.0.0.10\", \"DownloadUrl\": \"http://h/p.7z\"") +
         (*json ? std::string(", \"") + member + "\": " + json : std::string()) + "}}";
}

// Data.Size: a whole number of bytes; anything else is not announced, and
// the rest of the reply stands.
TEST(ReadVersionReply, SizeMember) {
  const struct {
    const char* member;  // the JSON text after "Size": ; empty: no member
    std::uint64_t expected;
  } cases[] = {{"", 0},
               {"1048699", 1048699},
               {"5000000000", 5000000000ull},
               {"0", 0},
               {"-5", 0},
               {"1.5", 0},
               {"\"1048699\"", 0},
               {"null", 0},
               {"[1048699]", 0},
               {"1e3", 1000},
               {"18446744073709551615", 18446744073709551615ull}};
  for (const auto& c : cases) {
    const VersionReply reply = ReadVersionReply(ReplyWith("Size", c.member));
    EXPECT_EQ(reply.packageSize, c.expected) << c.member;
    EXPECT_EQ(reply.downloadUrl, L"http://h/p.7z") << c.member;
  }
}

// Data.Mirrors: an array of texts in the maker's order; any other form is
// no mirrors, and the rest of the reply stands.
TEST(ReadVersionReply, MirrorsMember) {
  const struct {
    const char* member;  // the JSON text after "Mirrors": ; empty: no member
    std::vector<std::wstring> expected;
  } cases[] = {
      {"", {}},
      {"[\"http://a/p.7z\", \"https://b/p.7z\"]", {L"http://a/p.7z", L"https://b/p.7z"}},
      {"[\"http://镜像/p.7z\"]", {L"http://镜像/p.7z"}},
      {"[]", {}},
      {"\"http://a/p.7z\"", {}},
      {"[\"http://a/p.7z\", 7]", {}},
      {"[\"http://a/p.7z\", \"\"]", {}},
      {"{\"0\": \"http://a/p.7z\"}", {}},
  };
  for (const auto& c : cases) {
    const VersionReply reply = ReadVersionReply(ReplyWith("Mirrors", c.member));
    EXPECT_EQ(reply.mirrors, c.expected) << c.member;
    EXPECT_EQ(reply.downloadUrl, L"http://h/p.7z") << c.member;
  }
}

// Data.Deltas: objects with a From and a DownloadUrl, the rest read like the
// full package's members; a list with any entry out of that form is no
// deltas, and the rest of the reply stands.
TEST(ReadVersionReply, DeltasMember) {
  const struct {
    const char* member;  // the JSON text after "Deltas": ; empty: no member
    size_t count;
    const wchar_t* lastFrom;
    std::uint64_t lastSize;
    size_t lastMirrors;
    const wchar_t* lastSignature;
  } cases[] = {
      {"", 0, L"", 0, 0, L""},
      {R"([{"From": "1.0.0.9", "DownloadUrl": "http://h/d.7z", "Size": 12, "Signature": "s",
           "Mirrors": ["http://m/d.7z"]}])",
       1, L"1.0.0.9", 12, 1, L"s"},
      {R"([{"From": "1.0.0.8", "DownloadUrl": "http://h/e.7z"},
           {"From": "1.0.0.9", "DownloadUrl": "http://h/d.7z", "Size": -1, "Mirrors": "http://m"}])",
       2, L"1.0.0.9", 0, 0, L""},
      {R"([{"From": "1.0.0.9"}])", 0, L"", 0, 0, L""},
      {R"([{"From": 1009, "DownloadUrl": "http://h/d.7z"}])", 0, L"", 0, 0, L""},
      {R"([{"From": "", "DownloadUrl": "http://h/d.7z"}])", 0, L"", 0, 0, L""},
      {R"([{"From": "1.0.0.9", "DownloadUrl": "http://h/d.7z"}, "http://h/e.7z"])", 0, L"", 0, 0, L""},
      {R"({"From": "1.0.0.9", "DownloadUrl": "http://h/d.7z"})", 0, L"", 0, 0, L""},
  };
  for (const auto& c : cases) {
    const VersionReply reply = ReadVersionReply(ReplyWith("Deltas", c.member));
    EXPECT_EQ(reply.downloadUrl, L"http://h/p.7z") << c.member;
    ASSERT_EQ(reply.deltas.size(), c.count) << c.member;
    if (c.count == 0) continue;
    EXPECT_EQ(reply.deltas.back().from, c.lastFrom) << c.member;
    EXPECT_EQ(reply.deltas.back().packageSize, c.lastSize) << c.member;
    EXPECT_EQ(reply.deltas.back().mirrors.size(), c.lastMirrors) << c.member;
    EXPECT_EQ(reply.deltas.back().signature, c.lastSignature) << c.member;
  }
}

}  // namespace

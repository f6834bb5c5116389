#include "launcher/service/VersionService.h"

#include <json/json.h>

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace Launcher {

namespace {

constexpr char kVersionServiceUrl[] = LAUNCHER_VERSION_URL;

// Code as a signed 32-bit number; false when its type or range breaks the
// reply's form.
bool ReadCode(const Json::Value& value, int& code) {
  switch (value.type()) {
    case Json::nullValue:
      code = 0;
      return true;
    case Json::booleanValue:
      code = value.asBool() ? 1 : 0;
      return true;
    case Json::intValue:
      if (value.asInt64() < INT32_MIN || value.asInt64() > INT32_MAX) return false;
      code = static_cast<int>(value.asInt64());
      return true;
    case Json::uintValue:
      if (value.asUInt64() > static_cast<uint64_t>(INT32_MAX)) return false;
      code = static_cast<int>(value.asUInt64());
      return true;
    case Json::realValue: {
      const double truncated = std::trunc(value.asDouble());
      if (!(truncated >= INT32_MIN && truncated <= INT32_MAX)) return false;
      code = static_cast<int>(truncated);
      return true;
    }
    default:
      return false;
  }
}

// A member of Data as text; false when it is a number, array or object.
bool ReadText(const Json::Value& value, std::wstring& text) {
  switch (value.type()) {
    case Json::nullValue:
      text.clear();
      return true;
    case Json::booleanValue:
      text = value.asBool() ? L"true" : L"false";
      return true;
    case Json::stringValue:
      text = Utf8ToWide(value.asString());
      return true;
    default:
      return false;
  }
}

// Data.Signature. It is read like the other members, but a signature that
// breaks the form (not text, or longer than any minisign signature) only
// leaves the signature empty: a build that asks for none goes on as if it had
// not been sent, and one that asks for one refuses the package.
std::wstring ReadSignature(const Json::Value& value) {
  if (value.isString() && value.asString().size() > kMaxSignatureSize) return std::wstring();
  std::wstring text;
  return ReadText(value, text) ? text : std::wstring();
}

// Data.Size: the package's bytes, a whole number above 0; anything else (a
// text, a fraction, a negative number, none) reads as not announced, and the
// download bounds the body as it would without it.
std::uint64_t ReadSize(const Json::Value& value) {
  // JsonCpp counts a real number as UInt64 only when it is whole.
  return value.isUInt64() ? value.asUInt64() : 0;
}

// Data.Mirrors: an array of texts; anything else, or any member of another
// kind, reads as no mirrors.
std::vector<std::wstring> ReadMirrors(const Json::Value& value) {
  std::vector<std::wstring> mirrors;
  if (!value.isArray()) return mirrors;
  for (const Json::Value& member : value) {
    std::wstring text;
    if (!member.isString() || !ReadText(member, text) || text.empty()) return {};
    mirrors.push_back(std::move(text));
  }
  return mirrors;
}

// Data.Deltas: an array of objects, each with a From and a DownloadUrl.
std::vector<VersionReply::Delta> ReadDeltas(const Json::Value& value) {
  std::vector<VersionReply::Delta> deltas;
  if (!value.isArray()) return deltas;
  for (const Json::Value& member : value) {
    if (!member.isObject()) return {};
    const Json::Value from = member.get("From", Json::Value());
    if (!from.isString()) return {};
    VersionReply::Delta delta;
    delta.from = Utf8ToWide(from.asString());
    if (!ReadText(member.get("DownloadUrl", Json::Value()), delta.downloadUrl) || delta.from.empty() ||
        delta.downloadUrl.empty()) {
      return {};
    }
    delta.signature = ReadSignature(member.get("Signature", Json::Value()));
    delta.packageSize = ReadSize(member.get("Size", Json::Value()));
    delta.mirrors = ReadMirrors(member.get("Mirrors", Json::Value()));
    deltas.push_back(std::move(delta));
  }
  return deltas;
}

}  // namespace

VersionReply ReadVersionReply(const std::string& body) {
  VersionReply reply;
  reply.requestSucceeded = true;

  // JsonCpp is built without exceptions: a document nested deeper than the
  // reader goes fails the parse like any other broken body.
  Json::Value root;
  Json::Reader reader;
  if (!reader.parse(body, root)) return reply;

  // A reply that breaks its form is not trusted in any part: the result stays
  // that of an unreadable body (code 0, no texts), so that no address the
  // service did not clearly send is ever downloaded from.
  if (!root.isObject()) return reply;
  int code = 0;
  if (!ReadCode(root.get("Code", Json::Value()), code)) return reply;
  if (code != 0) {
    reply.code = code;
    return reply;
  }

  const Json::Value data = root.get("Data", Json::Value());
  if (data.isNull()) return reply;
  if (!data.isObject()) return reply;
  VersionReply read = reply;
  if (!ReadText(data.get("LatestVersion", Json::Value()), read.latestVersion) ||
      !ReadText(data.get("UpdateContent", Json::Value()), read.updateContent) ||
      !ReadText(data.get("DownloadUrl", Json::Value()), read.downloadUrl)) {
    return reply;
  }
  read.signature = ReadSignature(data.get("Signature", Json::Value()));
  read.packageSize = ReadSize(data.get("Size", Json::Value()));
  read.mirrors = ReadMirrors(data.get("Mirrors", Json::Value()));
  read.deltas = ReadDeltas(data.get("Deltas", Json::Value()));
  return read;
}

VersionReply FetchVersionReply(HttpClient& client) {
  return FetchVersionReplyFrom(client, kVersionServiceUrl);
}

VersionReply FetchVersionReplyFrom(HttpClient& client, const std::string& url) {
  const std::string body = client.Get(url, std::string());
  if (client.State() != HttpOk) return VersionReply();
  return ReadVersionReply(body);
}

}  // namespace Launcher

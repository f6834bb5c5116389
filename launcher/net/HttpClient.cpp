#include "launcher/net/HttpClient.h"

#include <vector>

#include "launcher/net/UrlParts.h"

namespace Launcher {

namespace {

constexpr DWORD kHttpsRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE | INTERNET_FLAG_KEEP_CONNECTION |
                                     INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTH |
                                     INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP | INTERNET_FLAG_IGNORE_CERT_CN_INVALID |
                                     INTERNET_FLAG_NO_UI;
constexpr DWORD kPlainRequestFlags = INTERNET_FLAG_RELOAD;
constexpr DWORD kWidenedSecurityFlags =
    SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;
static_assert(kHttpsRequestFlags == 0x80CC9200u, "request flags for https");
static_assert(kWidenedSecurityFlags == 0x3100u, "widened security flags");

constexpr DWORD kHeaderBufferBytes = 4096;
constexpr DWORD kBodyPieceBytes = 4096;
// The version reply is a few hundred bytes. A body beyond this is no reply of
// the service, and collecting it could run the process out of memory.
constexpr size_t kMaxBodyBytes = 16 * 1024 * 1024;

void WidenSecurityFlags(HINTERNET request) {
  // Neither step is essential: a failure only means the certificate checks
  // stay as strict as the platform makes them.
  DWORD flags = 0;
  DWORD size = sizeof flags;
  if (!::InternetQueryOptionW(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &size)) flags = 0;
  flags |= kWidenedSecurityFlags;
  ::InternetSetOptionW(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
}

}  // namespace

std::string HttpClient::Get(const std::string& url, const std::string& extraHeaders) {
  if (url.empty()) {
    state_ = HttpEmptyUrl;
    return std::string();
  }
  state_ = Send(url, extraHeaders);
  if (state_ != HttpOk) return std::string();
  std::string body;
  state_ = ReadReply(body);
  return state_ == HttpOk ? body : std::string();
}

HttpState HttpClient::Send(const std::string& url, const std::string& extraHeaders) {
  request_.Reset();
  connection_.Reset();
  root_.Reset(::InternetOpenA("Http-connect", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!root_) return HttpOpenFailed;
  const UrlParts parts = ParseUrl(url);
  // WinINet takes a 16-bit port; passing a larger number on would silently
  // connect to the port it wraps around to.
  if (parts.port <= 0xFFFF) {
    connection_.Reset(::InternetConnectA(root_.Get(), parts.host.c_str(), static_cast<INTERNET_PORT>(parts.port),
                                         nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  }
  if (!connection_) return HttpConnectFailed;
  std::string object = parts.path;
  if (!parts.query.empty()) object += "?" + parts.query;
  const bool https = parts.scheme == "https";
  request_.Reset(::HttpOpenRequestA(connection_.Get(), "GET", object.c_str(), "HTTP/1.1", nullptr, nullptr,
                                    https ? kHttpsRequestFlags : kPlainRequestFlags, 0));
  if (!request_) return HttpOpenFailed;
  if (https) WidenSecurityFlags(request_.Get());
  if (!::HttpSendRequestA(request_.Get(), extraHeaders.empty() ? nullptr : extraHeaders.c_str(),
                          static_cast<DWORD>(extraHeaders.size()), nullptr, 0)) {
    return HttpSendFailed;
  }
  return HttpOk;
}

HttpState HttpClient::ReadReply(std::string& body) {
  // One wide character more than the platform may fill, so the block is
  // always terminated even when the platform fills every byte it was given.
  std::vector<wchar_t> headers(kHeaderBufferBytes / sizeof(wchar_t) + 1, L'\0');
  DWORD headerBytes = kHeaderBufferBytes;
  if (!::HttpQueryInfoW(request_.Get(), HTTP_QUERY_RAW_HEADERS, headers.data(), &headerBytes, nullptr)) {
    return HttpQueryFailed;
  }
  // Each line of the raw block ends in a zero character, so the status line
  // is the text up to the first one.
  if (std::wstring(headers.data()).find(L"404") != std::wstring::npos) return HttpNotFound;
  std::vector<char> piece(kBodyPieceBytes + 1);
  for (;;) {
    DWORD read = 0;
    if (!::InternetReadFile(request_.Get(), piece.data(), kBodyPieceBytes, &read) || read == 0) return HttpOk;
    piece[read] = '\0';
    body.append(piece.data());
    if (body.size() > kMaxBodyBytes) return HttpQueryFailed;
  }
}

}  // namespace Launcher

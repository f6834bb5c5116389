#include "tests/bench/LauncherLikeGet.h"

#include <windows.h>
#include <wininet.h>

std::string LauncherLikeGet(const wchar_t* url) {
  URL_COMPONENTSW parts = {};
  parts.dwStructSize = sizeof parts;
  wchar_t host[256] = {}, path[2048] = {};
  parts.lpszHostName = host;
  parts.dwHostNameLength = 256;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = 2048;
  if (!::InternetCrackUrlW(url, 0, 0, &parts)) return {};

  HINTERNET root = ::InternetOpenA("Http-connect", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  HINTERNET connection = ::InternetConnectW(root, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  HINTERNET request =
      ::HttpOpenRequestW(connection, L"GET", path, L"HTTP/1.1", nullptr, nullptr,
                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE | INTERNET_FLAG_KEEP_CONNECTION |
                             INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTH | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP |
                             INTERNET_FLAG_IGNORE_CERT_CN_INVALID | INTERNET_FLAG_NO_UI,
                         0);
  DWORD flags = 0, size = sizeof flags;
  ::InternetQueryOptionW(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &size);
  flags |=
      SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;
  ::InternetSetOptionW(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
  std::string body;
  if (::HttpSendRequestW(request, nullptr, 0, nullptr, 0)) {
    char piece[4096];
    DWORD read = 0;
    while (::InternetReadFile(request, piece, sizeof piece, &read) && read != 0) body.append(piece, read);
  }
  ::InternetCloseHandle(request);
  ::InternetCloseHandle(connection);
  ::InternetCloseHandle(root);
  return body;
}

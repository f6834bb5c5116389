#include "launcher/net/PackageAddress.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>

namespace Launcher {

Status PackageAddress::Parse(const std::wstring& text, PackageAddress& address) {
  URL_COMPONENTSW parts = {};
  parts.dwStructSize = sizeof parts;
  // Non-zero lengths ask for pointers into `text` instead of copies.
  parts.dwHostNameLength = 1;
  parts.dwUrlPathLength = 1;
  parts.dwExtraInfoLength = 1;
  if (text.empty() || !::InternetCrackUrlW(text.c_str(), static_cast<DWORD>(text.size()), 0, &parts) ||
      (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)) {
    return Status::Failed(Status::Kind::Refused, "IsDownloadAddress", text);
  }
  PackageAddress parsed;
  parsed.text_ = text;
  parsed.https_ = parts.nScheme == INTERNET_SCHEME_HTTPS;
  parsed.host_.assign(parts.lpszHostName ? parts.lpszHostName : L"", parts.dwHostNameLength);
  parsed.port_ = parts.nPort;
  const std::wstring path(parts.lpszUrlPath ? parts.lpszUrlPath : L"", parts.dwUrlPathLength);
  std::wstring extra(parts.lpszExtraInfo ? parts.lpszExtraInfo : L"", parts.dwExtraInfoLength);
  extra.erase(std::min(extra.find(L'#'), extra.size()));
  parsed.object_ = (path.empty() ? std::wstring(L"/") : path) + extra;
  const size_t slash = path.find_last_of(L"/\\");
  parsed.fileName_ = slash == std::wstring::npos ? path : path.substr(slash + 1);
  address = std::move(parsed);
  return Status::Ok();
}

}  // namespace Launcher

#include "launcher/net/UrlParts.h"

namespace Launcher {

namespace {

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

uint32_t LeadingDecimal(const std::string& text) {
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + static_cast<uint64_t>(c - '0');
    // A longer digit run cannot come back into range; stop before the
    // 64-bit value could wrap around into a small, valid-looking port.
    if (value > UINT32_MAX) return UINT32_MAX;
  }
  return static_cast<uint32_t>(value);
}

}  // namespace

UrlParts ParseUrl(const std::string& url) {
  size_t prefix = 0;
  if (url.size() >= 8 && StartsWith(url, "https://")) {
    prefix = 8;
  } else if (url.size() >= 7 && StartsWith(url, "http://")) {
    prefix = 7;
  }

  // The search starts one past the prefix so that an address without a
  // prefix whose first character is "/" still has a host.
  const size_t slash = url.find('/', prefix + 1);
  std::string rest = slash == std::string::npos ? std::string() : url.substr(slash);
  const std::string hostAndPort = url.substr(prefix, slash == std::string::npos ? std::string::npos : slash - prefix);

  const size_t hash = rest.find('#');
  if (hash != std::string::npos) rest.erase(hash);

  UrlParts parts;
  std::string portText;
  const size_t colon = hostAndPort.find(':');
  if (colon == std::string::npos) {
    parts.host = hostAndPort;
  } else {
    parts.host = hostAndPort.substr(0, colon);
    portText = hostAndPort.substr(colon + 1);
  }

  if (prefix != 0) parts.scheme = url.substr(0, prefix - 3);

  const size_t question = rest.find('?');
  if (question == std::string::npos) {
    parts.path = rest;
  } else {
    parts.path = rest.substr(0, question);
    parts.query = rest.substr(question + 1);
  }

  if (!portText.empty()) {
    parts.port = LeadingDecimal(portText);
  } else {
    parts.port = parts.scheme == "https" ? 443 : 80;
  }
  return parts;
}

}  // namespace Launcher

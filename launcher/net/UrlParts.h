#pragma once

#include <cstdint>
#include <string>

namespace Launcher {

// The pieces of an http or https address, as the HTTP client requests it.
// All texts are byte strings (the address is ASCII).
struct UrlParts {
  std::string scheme;  // "https", "http", or empty when the address has neither prefix
  std::string host;    // without the port
  uint32_t port = 0;   // from the address, else 443 for "https" and 80 otherwise
  std::string path;    // begins with "/", or empty
  std::string query;   // after the first "?", without it; the fragment is dropped
};

// Splits `url`. Only the exact lower-case prefixes "https://" and "http://"
// are recognised; anything else is taken as host[:port][/path] of a plain
// HTTP address. A port text is read up to its first non-digit (no digits
// give 0); a port too large for 32 bits saturates at 0xFFFFFFFF, which no
// connection accepts. Never fails.
UrlParts ParseUrl(const std::string& url);

}  // namespace Launcher

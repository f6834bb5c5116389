#pragma once

#include <string>

// One WinINet GET of `url` the way the launcher asks its version service:
// the same request flags, the same widened certificate checks, the whole body
// read. Returns the body; empty when the address cannot be split or the
// request failed.
std::string LauncherLikeGet(const wchar_t* url);

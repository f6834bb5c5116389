#pragma once

#include <string>

namespace Launcher {

// Version texts of the product: four signed decimal parts separated by dots
// ("1.2.0.15"), always compared as numbers, never as strings.

// Reads the string entry `key` (for example "FileVersion") of the version
// resource of the executable at `path`, from the string table of the first
// language and code page of the resource's translation list.
// On a hit the entry's text replaces `out`; otherwise `out` is left unchanged.
// Returns true once the string table was queried (found or not), false when it
// stopped earlier: empty path or key, no version resource, unreadable file, no
// translation list, or an allocation failure.
bool QueryVersionString(const std::wstring& path, const std::wstring& key, std::wstring& out);

// True when the launcher should update: either text is empty, or `installed`
// is smaller than `offered`. Each text is read as "%d.%d.%d.%d"; reading stops
// at the first character that does not fit, and every part not supplied by the
// text (a short text, commas instead of dots) reads as 0.
bool NeedsUpdate(const std::wstring& installed, const std::wstring& offered);

// `value` written with "%d".
std::wstring FormatDecimal(int value);

}  // namespace Launcher

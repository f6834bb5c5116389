#pragma once

#include <string>

namespace SevenZip::intl {

// Writes one extraction log line to standard output: `text` followed by a
// line feed, encoded as UTF-8 so that the Chinese lines read the same in a
// terminal and in a redirected file. One write per line; safe from any thread.
void WriteLogLine(const std::wstring& text);

}  // namespace SevenZip::intl

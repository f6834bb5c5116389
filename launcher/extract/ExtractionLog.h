#pragma once

#include <string>

namespace SevenZip::intl {

// Writes one extraction log line to standard output: `text` and a line end.
// A console gets the wide text itself; a file or pipe gets UTF-8 with "\r\n",
// so that the Chinese lines read the same in a terminal and in a log file.
// Output buffered by the C runtime is flushed first, so lines stay in order
// with the rest of the program's output. One write per line; any thread.
void WriteLogLine(const std::wstring& text);

}  // namespace SevenZip::intl

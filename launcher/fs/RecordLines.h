#pragma once

#include <string>
#include <utility>
#include <vector>

namespace Launcher {

// The form of the launcher's sealed record files (the update record, the
// download record): UTF-8, each line ended by CR LF, a header line, then one
// "keyword value" line per entry, and last "end" and the CRC-32 of every byte
// before that line in eight lower-case hexadecimal digits. A plain value;
// any thread.
class RecordLines {
 public:
  using Line = std::pair<std::string, std::wstring>;

  explicit RecordLines(std::string header) : header_(std::move(header)) {}

  // Adds a line; false (and nothing added) when `value` has no UTF-8 form
  // (an unpaired surrogate) or holds a character that would break the line.
  bool Add(const char* keyword, const std::wstring& value);
  // The sealed bytes of the header and every line added.
  std::string Seal() const;

  // The lines of `bytes` when they are a record of `header`, whole and
  // sealed: every line a keyword, one blank and a value that is valid
  // UTF-8. False for anything else.
  static bool Open(const std::string& bytes, const std::string& header, std::vector<Line>& lines);

 private:
  std::string header_;
  std::string body_;
};

}  // namespace Launcher

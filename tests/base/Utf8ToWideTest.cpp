#include "base/Utf8ToWide.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

using namespace Launcher;

namespace {

// Captures what a call writes to the standard error stream: descriptor 2
// goes to a binary temporary file while the capture lives.
class ErrorCapture {
 public:
  ErrorCapture() : file_(std::tmpfile()), saved_(_dup(2)) {
    std::fflush(stderr);
    if (file_ != nullptr) _dup2(_fileno(file_), 2);
  }
  ~ErrorCapture() {
    std::fflush(stderr);
    if (saved_ != -1) {
      _dup2(saved_, 2);
      _close(saved_);
    }
    if (file_ != nullptr) std::fclose(file_);
  }
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;

  std::string Text() const {
    std::fflush(stderr);
    std::string text;
    if (file_ == nullptr) return "(no capture file)";
    std::rewind(file_);
    char piece[256];
    size_t read = 0;
    while ((read = std::fread(piece, 1, sizeof piece, file_)) != 0) text.append(piece, read);
    std::fseek(file_, 0, SEEK_END);
    return text;
  }

 private:
  std::FILE* file_;
  int saved_;
};

TEST(Utf8ToWide, DecodesWellFormedText) {
  const struct {
    std::string bytes;
    std::wstring wide;
  } cases[] = {
      {"", L""},
      {"1.0.0.10", L"1.0.0.10"},
      {"\xE4\xBF\xAE\xE5\xA4\x8D|ok", L"\u4fee\u590d|ok"},
      {"\xC2\x80\xDF\xBF", L"\u0080\u07ff"},
      {"\xEF\xBF\xBF", L"\uffff"},
      // The edges of each length and of the surrogate range.
      {"\xE0\xA0\x80", L"\u0800"},
      {"\xED\x9F\xBF\xEE\x80\x80", L"\ud7ff\ue000"},
      {"\xF0\x90\x80\x80", L"\xD800\xDC00"},  // U+10000
      {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
      {"\xF0\x9F\x98\x80", L"\xD83D\xDE00"},  // U+1F600 becomes a surrogate pair
      {"\xF4\x8F\xBF\xBF", L"\xDBFF\xDFFF"},  // U+10FFFF, the last code point
  };
  for (const auto& c : cases) {
    ErrorCapture errors;
    EXPECT_EQ(Utf8ToWide(c.bytes), c.wide);
    EXPECT_EQ(errors.Text(), "");
  }
}

TEST(Utf8ToWide, MalformedTextBecomesEmptyAndIsReported) {
  const std::string cases[] = {
      "fix \xFF bugs",  // a byte that never occurs in UTF-8
      "\x80"
      "abc",  // a continuation byte where a lead byte belongs
      "\xE4\xBF"
      "A",                     // a lead byte without enough continuation bytes
      "ok \xE4\xBF",           // cut off at the end
      "\xF4\x90\x80\x80",      // above 0x10FFFF
      "\xC0\xAF",              // overlong "/"
      "\xE0\x80\xAF",          // overlong "/" in three bytes
      "\xED\xA0\x80",          // an encoded surrogate
      "\xED\xBF\xBF",          // the last surrogate
      "\xF0\x8F\xBF\xBF",      // overlong U+FFFF in four bytes
      "\xF8\x88\x80\x80\x80",  // a five-byte form
  };
  for (const auto& bytes : cases) {
    ErrorCapture errors;
    EXPECT_EQ(Utf8ToWide(bytes), L"");
    EXPECT_EQ(errors.Text(), "bad conversion\n");
  }
}

}  // namespace

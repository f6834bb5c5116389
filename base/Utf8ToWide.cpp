#include "base/Utf8ToWide.h"

#include <cstdio>

namespace Launcher {

namespace {

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// Decodes one sequence at `pos`, advancing it; false for malformed input.
bool DecodeOne(const std::string& bytes, size_t& pos, char32_t& codePoint) {
  const unsigned char lead = static_cast<unsigned char>(bytes[pos]);
  size_t length;
  char32_t minimum;
  if (lead < 0x80) {
    codePoint = lead;
    ++pos;
    return true;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    minimum = 0x80;
    codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    minimum = 0x800;
    codePoint = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    minimum = 0x10000;
    codePoint = lead & 0x07;
  } else {
    return false;  // a continuation byte, or a byte that never starts a sequence
  }
  if (bytes.size() - pos < length) return false;
  for (size_t i = 1; i < length; ++i) {
    const unsigned char next = static_cast<unsigned char>(bytes[pos + i]);
    if (!IsContinuation(next)) return false;
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  // Overlong forms and encoded surrogates would let one character hide
  // behind several spellings; they are malformed like the rest.
  if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return false;
  pos += length;
  return true;
}

}  // namespace

bool Utf8ToWide(const std::string& bytes, std::wstring& wide) {
  wide.clear();
  wide.reserve(bytes.size());
  size_t pos = 0;
  while (pos < bytes.size()) {
    char32_t codePoint = 0;
    if (!DecodeOne(bytes, pos, codePoint)) {
      wide.clear();
      return false;
    }
    if (codePoint <= 0xFFFF) {
      wide.push_back(static_cast<wchar_t>(codePoint));
    } else {
      const char32_t offset = codePoint - 0x10000;
      wide.push_back(static_cast<wchar_t>(0xD800 + (offset >> 10)));
      wide.push_back(static_cast<wchar_t>(0xDC00 + (offset & 0x3FF)));
    }
  }
  return true;
}

std::wstring Utf8ToWide(const std::string& bytes) {
  std::wstring wide;
  if (!Utf8ToWide(bytes, wide)) {
    // Through C stdio rather than std::cerr: the standard streams would link
    // the whole stream and locale machinery into the program for one line.
    std::fputs("bad conversion\n", stderr);
    std::fflush(stderr);
  }
  return wide;
}

}  // namespace Launcher

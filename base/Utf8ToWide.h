#pragma once

#include <string>

namespace Launcher {

// Decodes UTF-8 `bytes` into UTF-16; code points above 0xFFFF become
// surrogate pairs. Malformed input (a stray continuation byte, a lead byte
// without enough continuation bytes, a sequence cut off at the end, an
// overlong form, an encoded surrogate, a code point above 0x10FFFF, the bytes
// 0xC0, 0xC1 and 0xF5-0xFF) makes the whole conversion fail: the result is
// empty and the line "bad conversion" goes to the standard error stream.
// Never throws.
std::wstring Utf8ToWide(const std::string& bytes);

// The same decoding into `wide`, silently: false for malformed input, with
// `wide` empty. For text read from files, where the caller decides what a
// malformed line means.
bool Utf8ToWide(const std::string& bytes, std::wstring& wide);

}  // namespace Launcher

#pragma once

#include <windows.h>

#include <string>

// UTF-16 and UTF-8 conversions of the lenient kind: what cannot be converted
// (an unpaired surrogate, a malformed byte sequence) becomes U+FFFD rather
// than failing, so the result is never empty for a non-empty input. For
// text that must round-trip exactly, check with MB_ERR_INVALID_CHARS /
// WC_ERR_INVALID_CHARS instead. Any thread.
inline std::string Utf8FromWide(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string out(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &out[0], size, nullptr, nullptr);
  return out;
}

inline std::wstring WideFromUtf8(const std::string& text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  if (size <= 0) return {};
  std::wstring out(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), length, &out[0], size);
  return out;
}

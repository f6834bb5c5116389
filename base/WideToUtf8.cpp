#include "base/WideToUtf8.h"

#include <windows.h>

namespace Launcher {

bool WideToUtf8(const std::wstring& text, std::string& bytes) {
  bytes.clear();
  if (text.empty()) return true;
  const int size = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  if (size <= 0) return false;
  bytes.resize(static_cast<size_t>(size));
  return ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), &bytes[0],
                               size, nullptr, nullptr) == size;
}

}  // namespace Launcher

#include "launcher/service/VersionNumbers.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <new>

namespace Launcher {

namespace {

struct VersionParts {
  int part[4] = {0, 0, 0, 0};
};

VersionParts ParseVersion(const std::wstring& text) {
  VersionParts v;
  // Parts the text does not supply keep their 0: "1.2" compares as 1.2.0.0.
  std::swscanf(text.c_str(), L"%d.%d.%d.%d", &v.part[0], &v.part[1], &v.part[2], &v.part[3]);
  return v;
}

}  // namespace

bool QueryVersionString(const std::wstring& path, const std::wstring& key, std::wstring& out) {
  if (key.empty() || path.empty()) return false;

  // One read of the file instead of two: asking for the size first would
  // open and map the executable once for the size and once for the data. A
  // version resource is at most 64 KB (its length field has 16 bits); the
  // buffer also leaves the platform room for the narrow copies that
  // VerQueryValueA makes beside it.
  constexpr DWORD kVersionBlockBytes = 3 * 0x10000;
  std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[kVersionBlockBytes]);
  if (!block) return false;
  if (!::GetFileVersionInfoW(path.c_str(), 0, kVersionBlockBytes, block.get())) return false;

  void* translation = nullptr;
  UINT translationLength = 0;
  if (!::VerQueryValueA(block.get(), "\\VarFileInfo\\Translation", &translation, &translationLength) ||
      translation == nullptr || translationLength < 2 * sizeof(WORD)) {
    return false;
  }
  // Only the first language of the list is consulted.
  const WORD* words = static_cast<const WORD*>(translation);
  const unsigned long languageAndCodePage = (static_cast<unsigned long>(words[0]) << 16) | words[1];

  constexpr size_t kSubBlockLength = 128;
  std::unique_ptr<wchar_t[]> subBlock(new (std::nothrow) wchar_t[kSubBlockLength]);
  if (!subBlock) return false;
  // A key too long for the sub-block leaves nothing sensible to ask for.
  if (std::swprintf(subBlock.get(), kSubBlockLength, L"\\StringFileInfo\\%08lx\\%ls", languageAndCodePage,
                    key.c_str()) < 0) {
    return false;
  }

  void* text = nullptr;
  UINT textLength = 0;
  if (::VerQueryValueW(block.get(), subBlock.get(), &text, &textLength) && text != nullptr) {
    out.assign(static_cast<const wchar_t*>(text));
  }
  return true;
}

bool NeedsUpdate(const std::wstring& installed, const std::wstring& offered) {
  if (installed.empty() || offered.empty()) return true;
  const VersionParts have = ParseVersion(installed);
  const VersionParts want = ParseVersion(offered);
  for (int i = 0; i < 4; ++i) {
    if (have.part[i] != want.part[i]) return have.part[i] < want.part[i];
  }
  return false;
}

std::wstring FormatDecimal(int value) {
  wchar_t buffer[64];
  std::swprintf(buffer, 64, L"%d", value);
  return buffer;
}

}  // namespace Launcher

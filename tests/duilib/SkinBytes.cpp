#include "tests/duilib/SkinBytes.h"

#include <windows.h>

#include <memory>
#include <vector>

#include "base/ResourceBytes.h"
#include "duilib/core/CZipArchive.h"

std::string SkinPackageBytes() {
  std::vector<BYTE> bytes;
  if (!CopyResourceBytes(nullptr, MAKEINTRESOURCEW(101), L"ZIPRES", bytes)) return {};
  return std::string(bytes.begin(), bytes.end());
}

std::string SkinMember(const wchar_t* name) {
  static const std::string package = SkinPackageBytes();
  std::unique_ptr<DuiLib::CZipArchive> archive = DuiLib::CZipArchive::OpenMemory(package.data(), package.size());
  DuiLib::ZipMemberInfo info;
  if (!archive || !archive->FindMember(name, info)) return {};
  std::string bytes(info.uncompressedSize, '\0');
  if (archive->Extract(info, &bytes[0], bytes.size()) == DuiLib::ZipExtractResult::Error) return {};
  return bytes;
}

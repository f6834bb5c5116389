#include "tests/duilib/SkinBytes.h"

#include <windows.h>

#include <memory>

#include "duilib/core/CZipArchive.h"

std::string SkinPackageBytes() {
  HMODULE self = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(self, MAKEINTRESOURCEW(101), L"ZIPRES");
  if (found == nullptr) return {};
  const DWORD size = ::SizeofResource(self, found);
  const char* data = static_cast<const char*>(::LockResource(::LoadResource(self, found)));
  return data != nullptr ? std::string(data, size) : std::string();
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

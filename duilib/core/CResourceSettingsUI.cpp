#include "duilib/core/CResourceSettingsUI.h"

#include <cstring>

#include "base/ResourceBytes.h"
#include "base/UniqueHandle.h"

namespace DuiLib {

namespace {

constexpr wchar_t kMemoryPackage[] = L"membuffer";
constexpr wchar_t kZipResourceType[] = L"ZIPRES";

struct Settings {
  HINSTANCE instance = nullptr;
  HINSTANCE resourceModule = nullptr;
  std::wstring resourcePath;
  std::wstring packageName;
  bool caching = true;
  std::unique_ptr<CZipArchive> openArchive;
};

Settings& State() {
  static Settings settings;
  return settings;
}

SkinReadResult ReadDiskFile(const std::wstring& path, std::vector<BYTE>& bytes, size_t maxSize) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return SkinReadResult::FileOpenFailed;
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(file.Get(), &size)) return SkinReadResult::FileReadFailed;
  if (size.QuadPart == 0) return SkinReadResult::Empty;
  if (size.QuadPart > 0x7FFFFFFF || (maxSize != 0 && static_cast<unsigned long long>(size.QuadPart) > maxSize)) {
    return SkinReadResult::TooLarge;
  }
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD got = 0;
  if (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) || got != bytes.size()) {
    bytes.clear();
    return SkinReadResult::FileReadFailed;
  }
  return SkinReadResult::Ok;
}

SkinReadResult ReadMember(CZipArchive& archive, const wchar_t* name, std::vector<BYTE>& bytes, size_t maxSize) {
  ZipMemberInfo info;
  if (!archive.FindMember(name, info)) return SkinReadResult::MemberNotFound;
  if (info.uncompressedSize == 0) return SkinReadResult::Empty;
  if (maxSize != 0 && info.uncompressedSize > maxSize) return SkinReadResult::TooLarge;
  bytes.resize(info.uncompressedSize);
  const ZipExtractResult result = archive.Extract(info, bytes.data(), bytes.size());
  if (result == ZipExtractResult::Error) {
    bytes.clear();
    return SkinReadResult::UnzipFailed;
  }
  return SkinReadResult::Ok;
}

}  // namespace

void CResourceSettingsUI::SetInstance(HINSTANCE instance) {
  State().instance = instance;
}
HINSTANCE CResourceSettingsUI::GetInstance() {
  return State().instance;
}
void CResourceSettingsUI::SetResourceInstance(HINSTANCE module) {
  State().resourceModule = module;
}
HINSTANCE CResourceSettingsUI::GetResourceModule() {
  return State().resourceModule != nullptr ? State().resourceModule : State().instance;
}

void CResourceSettingsUI::SetResourcePath(const wchar_t* path) {
  std::wstring& stored = State().resourcePath;
  stored = path != nullptr ? path : L"";
  if (!stored.empty() && stored.back() != L'\\' && stored.back() != L'/') stored += L'\\';
}
const std::wstring& CResourceSettingsUI::GetResourcePath() {
  return State().resourcePath;
}

void CResourceSettingsUI::SetResourceZip(const void* bytes, size_t size) {
  Settings& s = State();
  if (s.packageName == kMemoryPackage) return;
  s.openArchive.reset();
  s.packageName = kMemoryPackage;
  if (s.caching) s.openArchive = CZipArchive::OpenMemory(bytes, size);
}

void CResourceSettingsUI::SetResourceZip(const wchar_t* name, bool cache) {
  Settings& s = State();
  const std::wstring wanted = name != nullptr ? name : L"";
  if (wanted == s.packageName && cache == s.caching) return;
  s.openArchive.reset();
  s.packageName = wanted;
  s.caching = cache;
  if (cache) s.openArchive = CZipArchive::OpenFile(s.resourcePath + wanted);
}

const std::wstring& CResourceSettingsUI::GetResourceZip() {
  return State().packageName;
}
bool CResourceSettingsUI::IsCachedResourceZip() {
  return State().caching;
}
CZipArchive* CResourceSettingsUI::GetResourceZipHandle() {
  return State().openArchive.get();
}

SkinReadResult CResourceSettingsUI::ReadSkinFile(const wchar_t* name, std::vector<BYTE>& bytes, size_t maxSize) {
  bytes.clear();
  if (name == nullptr) return SkinReadResult::FileOpenFailed;
  Settings& s = State();
  if (s.packageName.empty()) return ReadDiskFile(s.resourcePath + name, bytes, maxSize);

  if (s.caching) {
    if (!s.openArchive) return SkinReadResult::ZipOpenFailed;
    return ReadMember(*s.openArchive, name, bytes, maxSize);
  }
  // A memory package is only ever kept open; without caching it is gone.
  if (s.packageName == kMemoryPackage) return SkinReadResult::ZipOpenFailed;
  std::unique_ptr<CZipArchive> archive = CZipArchive::OpenFile(s.resourcePath + s.packageName);
  if (!archive) return SkinReadResult::ZipOpenFailed;
  return ReadMember(*archive, name, bytes, maxSize);
}

bool CResourceSettingsUI::ReadResource(const wchar_t* name, const wchar_t* type, std::vector<BYTE>& bytes) {
  return CopyResourceBytes(GetResourceModule(), name, type, bytes);
}

bool CResourceSettingsUI::InstallZipResource(HMODULE module, UINT id) {
  // Windows repeat this at creation; a second copy would only leak.
  if (State().packageName == kMemoryPackage) return true;
  std::vector<BYTE> bytes;
  if (!CopyResourceBytes(module, MAKEINTRESOURCEW(id), kZipResourceType, bytes)) return false;
  // The package is borrowed for the rest of the process, so its copy is
  // deliberately never freed.
  auto* copy = new std::vector<BYTE>(std::move(bytes));
  SetResourceZip(copy->data(), copy->size());
  return true;
}

void CResourceSettingsUI::ResetForTesting() {
  Settings& s = State();
  s.openArchive.reset();
  s.packageName.clear();
  s.resourcePath.clear();
  s.caching = true;
  s.resourceModule = nullptr;
}

}  // namespace DuiLib

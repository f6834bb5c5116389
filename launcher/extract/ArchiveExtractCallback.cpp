#include "launcher/extract/ArchiveExtractCallback.h"

#include <algorithm>
#include <cwctype>
#include <initializer_list>
#include <new>
#include <utility>

#include "base/UniqueHandle.h"
#include "launcher/extract/ExtractionLog.h"
#include "launcher/extract/OutStreamWrapper.h"
#include "launcher/extract/PropertyValue.h"
#include "launcher/extract/SevenZipArchive.h"
#include "launcher/fs/FileNames.h"
#include "launcher/fs/SafePath.h"

namespace SevenZip::intl {

namespace {

constexpr HRESULT kDirectoryCreationFailed = 1631;
constexpr HRESULT kUnsafeItemPath = static_cast<HRESULT>(0x800700A1);  // ERROR_BAD_PATHNAME
constexpr HRESULT kDamagedItem = static_cast<HRESULT>(0x8007000D);     // ERROR_INVALID_DATA
constexpr INT32 kOperationOk = 0;
// Archives made on Unix carry the mode in the high word and mark it with this bit.
constexpr UINT32 kUnixExtension = 0x8000;
constexpr UINT32 kUnixOwnerWrite = 0200;

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

HRESULT ResultFromError(DWORD code) {
  if (static_cast<LONG>(code) <= 0) return static_cast<HRESULT>(code);
  return static_cast<HRESULT>(0x80070000u | (code & 0xFFFFu));
}

std::wstring Join(const std::wstring& directory, const std::wstring& relative) {
  if (directory.empty()) return relative;
  if (IsSeparator(directory.back())) return directory + relative;
  return directory + L"\\" + relative;
}

}  // namespace

ArchiveExtractCallback::ArchiveExtractCallback(ComPtr<IInArchive> archive, const Launcher::Installation& target,
                                               bool flush)
    : archive_(std::move(archive)), target_(target), directory_(target.Directory()), flush_(flush) {}

HRESULT ArchiveExtractCallback::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown || iid == IID_IArchiveExtractCallback) {
    *object = static_cast<IArchiveExtractCallback*>(this);
  } else if (iid == IID_ICryptoGetTextPassword) {
    *object = static_cast<ICryptoGetTextPassword*>(this);
  } else if (iid == IID_ICompressProgressInfo) {
    *object = static_cast<ICompressProgressInfo*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

HRESULT ArchiveExtractCallback::SetTotal(UINT64) {
  return S_OK;
}

HRESULT ArchiveExtractCallback::SetCompleted(const UINT64*) {
  return S_OK;
}

HRESULT ArchiveExtractCallback::PrepareOperation(INT32) {
  return S_OK;
}

HRESULT ArchiveExtractCallback::CryptoGetTextPassword(BSTR* password) {
  if (password) *password = nullptr;
  return E_ABORT;
}

HRESULT ArchiveExtractCallback::SetRatioInfo(const UINT64*, const UINT64*) {
  return S_OK;
}

namespace {

// Reads property `id` of item `index`: absent (VT_EMPTY), `present` is
// false; of one of `types`, `take` gets it; of any other type the item
// fails.
template <typename Take>
HRESULT ReadProperty(IInArchive* archive, UINT32 index, PROPID id, std::initializer_list<VARTYPE> types, bool& present,
                     Take take) {
  PropertyValue value;
  const HRESULT hr = archive->GetProperty(index, id, value.Put());
  if (FAILED(hr)) return hr;
  present = std::find(types.begin(), types.end(), value.Type()) != types.end();
  if (present) take(value.Get());
  return present || value.Type() == VT_EMPTY ? S_OK : E_FAIL;
}

UINT64 UnsignedOf(const PROPVARIANT& value) {
  switch (value.vt) {
    case VT_UI1:
      return value.bVal;
    case VT_UI2:
      return value.uiVal;
    case VT_UI4:
      return value.ulVal;
    default:
      return value.uhVal.QuadPart;
  }
}

}  // namespace

HRESULT ArchiveExtractCallback::ReadProperties(UINT32 index) {
  IInArchive* archive = archive_.Get();
  bool unused = false;
  const auto flag = [](bool& to) { return [&to](const PROPVARIANT& v) { to = v.boolVal != VARIANT_FALSE; }; };
  const auto time = [](FILETIME& to) { return [&to](const PROPVARIANT& v) { to = v.filetime; }; };
  is_directory_ = false;
  is_anti_ = false;
  HRESULT hr = ReadProperty(archive, index, kpidAttrib, {VT_UI4}, has_attributes_,
                            [this](const PROPVARIANT& v) { attributes_ = v.ulVal; });
  if (SUCCEEDED(hr)) hr = ReadProperty(archive, index, kpidIsDir, {VT_BOOL}, unused, flag(is_directory_));
  if (SUCCEEDED(hr)) hr = ReadProperty(archive, index, kpidIsAnti, {VT_BOOL}, unused, flag(is_anti_));
  if (SUCCEEDED(hr)) hr = ReadProperty(archive, index, kpidMTime, {VT_FILETIME}, has_modified_, time(modified_));
  if (SUCCEEDED(hr)) hr = ReadProperty(archive, index, kpidCTime, {VT_FILETIME}, has_created_, time(created_));
  if (SUCCEEDED(hr)) hr = ReadProperty(archive, index, kpidATime, {VT_FILETIME}, has_accessed_, time(accessed_));
  if (SUCCEEDED(hr)) {
    hr = ReadProperty(archive, index, kpidSize, {VT_UI1, VT_UI2, VT_UI4, VT_UI8}, has_size_,
                      [this](const PROPVARIANT& v) { size_ = UnsignedOf(v); });
  }
  return hr;
}

HRESULT ArchiveExtractCallback::ReadPath(UINT32 index) {
  PropertyValue path;
  const HRESULT hr = archive_->GetProperty(index, kpidPath, path.Put());
  if (FAILED(hr)) return hr;
  if (path.Type() == VT_EMPTY) {
    relative_path_ = kUnnamedItemPath;
  } else if (path.Type() == VT_BSTR) {
    relative_path_ = path.Get().bstrVal ? path.Get().bstrVal : L"";
  } else {
    return E_FAIL;
  }
  return S_OK;
}

HRESULT ArchiveExtractCallback::GetStream(UINT32 index, ISequentialOutStream** outStream, INT32 askExtractMode) {
  if (!outStream) return E_POINTER;
  *outStream = nullptr;
  written_.Reset();
  HRESULT hr = ReadPath(index);
  // Testing and skipping write nothing, so nothing about the item matters
  // then, not even whether its path could be read.
  if (askExtractMode != kAskModeExtract) return S_OK;
  if (SUCCEEDED(hr)) hr = ReadProperties(index);
  if (FAILED(hr)) {
    WriteLogLine(L"获取数据失败");
    return hr;
  }
  // Every write and removal below goes through the target's gate, which
  // refuses whatever a link (made before or during the extraction) would
  // take elsewhere.
  if (!Launcher::IsSafeItemPath(relative_path_)) {
    absolute_path_.clear();
    WriteLogLine(L"非法路径:" + relative_path_);
    return kUnsafeItemPath;
  }
  absolute_path_ = Join(directory_, relative_path_);
  // A deletion marker must not become an empty file or directory: the item
  // says that the file is gone in this version.
  if (is_anti_) {
    WriteLogLine(L"AntiItem:" + absolute_path_);
    return S_OK;
  }
  return is_directory_ ? PrepareDirectory() : OpenFile(outStream);
}

HRESULT ArchiveExtractCallback::PrepareDirectory() {
  WriteLogLine(L"DirBegin:" + absolute_path_);
  if (HoldDirectory(relative_path_)) return S_OK;
  // Written like the parent-directory failure: the directory with its separator.
  const bool separated = !absolute_path_.empty() && IsSeparator(absolute_path_.back());
  WriteLogLine(L"创建目录失败:" + absolute_path_ + (separated ? L"" : L"\\"));
  absolute_path_.clear();
  return kDirectoryCreationFailed;
}

HRESULT ArchiveExtractCallback::OpenFile(ISequentialOutStream** outStream) {
  WriteLogLine(L"FileBegin:" + absolute_path_);
  const std::vector<std::wstring> components = Launcher::PathComponents(relative_path_);
  std::wstring parent;
  for (size_t i = 0; i + 1 < components.size(); ++i) parent += (i ? L"\\" : L"") + components[i];
  const Launcher::HeldDirectory* directory = HoldDirectory(parent);
  if (!directory) {
    WriteLogLine(L"创建目录失败:" +
                 Join(directory_, relative_path_.substr(0, relative_path_.find_last_of(L"\\/") + 1)));
    return kDirectoryCreationFailed;
  }
  // Created new, never opened where something stands: what stands in the
  // way (the update set aside what it replaces, so this is rare) is removed
  // first, and a file another account put under the name meanwhile fails
  // the item.
  UniqueHandle file;
  Launcher::Status created = target_.CreateFileIn(*directory, components.back(), GENERIC_WRITE, 0, file);
  const bool existed = created.code() == ERROR_FILE_EXISTS || created.code() == ERROR_ALREADY_EXISTS;
  if (existed) {
    // A path this long cannot be removed by every system, nor by the
    // rollback: what stands there stays.
    if (absolute_path_.size() > MAX_PATH) {
      WriteLogLine(L"移除路径失败:" + absolute_path_);
      return ResultFromError(ERROR_FILENAME_EXCED_RANGE);
    }
    // A directory this extraction made and holds may be what stands there
    // (an earlier item put a file below the name): let go of it first.
    ReleaseHeld(relative_path_);
    if (const Launcher::Status removed = target_.Remove(relative_path_); !removed.ok()) {
      return Refused(removed, L"移除路径失败:");
    }
    created = target_.CreateFileIn(*directory, components.back(), GENERIC_WRITE, 0, file);
  }
  if (!created.ok()) return Refused(created, L"创建文件失败:");
  if (!existed) created_paths_.push_back(absolute_path_);
  return OpenOutput(std::move(file), outStream);
}

HRESULT ArchiveExtractCallback::OpenOutput(UniqueHandle file, ISequentialOutStream** outStream) {
  // The engine writes through the stream; this object keeps a reference to
  // it to give the file its times and attributes once the engine is done,
  // with no second handle and no second open (and check) of the path.
  OutStreamWrapper* wrapper = new (std::nothrow) OutStreamWrapper(std::move(file));
  if (!wrapper) {
    WriteLogLine(L"内存不足");
    return E_OUTOFMEMORY;
  }
  // One reference for the engine, one kept here until SetOperationResult.
  wrapper->AddRef();
  *outStream = wrapper;
  wrapper->AddRef();
  written_ = ComPtr<OutStreamWrapper>(wrapper);
  return S_OK;
}

HRESULT ArchiveExtractCallback::SetOperationResult(INT32 operationResult) {
  if (absolute_path_.empty()) {
    WriteLogLine(L"AllDone");
    return S_OK;
  }
  if (is_anti_) {
    WriteLogLine(L"FileDone:" + absolute_path_);
    return operationResult == kOperationOk ? S_OK : kDamagedItem;
  }
  // A directory item has no handle of its own yet; one that cannot be
  // opened keeps the times and attributes it was made with.
  const ComPtr<OutStreamWrapper> written = std::move(written_);
  UniqueHandle opened;
  if (!written) static_cast<void>(target_.Open(relative_path_, FILE_WRITE_ATTRIBUTES, opened));
  const HANDLE file = written ? written->Handle() : opened.Get();
  if (has_modified_ || has_created_ || has_accessed_) {
    if (file) {
      SetFileTime(file, has_created_ ? &created_ : nullptr, has_accessed_ ? &accessed_ : nullptr,
                  has_modified_ ? &modified_ : nullptr);
    }
  }
  if (has_attributes_) {
    // The Unix mode in the high word is no Windows attribute: applied as it
    // is, the call fails. Its owner-write bit is what read-only means there.
    UINT32 attributes = attributes_;
    if (attributes & kUnixExtension) {
      const UINT32 mode = attributes >> 16;
      attributes &= 0x7FFF;
      if (mode != 0 && !(mode & kUnixOwnerWrite)) attributes |= FILE_ATTRIBUTE_READONLY;
    }
    if (file) {
      FILE_BASIC_INFO basic{};  // times of 0 stay as they are
      basic.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
      SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
    }
  }
  // On the medium before the item counts as written: the update's record
  // turns to "installed" only after the last item.
  if (flush_ && written && !::FlushFileBuffers(file)) return ResultFromError(::GetLastError());
  WriteLogLine(L"FileDone:" + absolute_path_);
  // A damaged package (data or CRC error, unsupported method) must not count
  // as installed: the file stays as written, but the extraction stops here.
  return operationResult == kOperationOk ? S_OK : kDamagedItem;
}

HRESULT ArchiveExtractCallback::Refused(const Launcher::Status& status, const wchar_t* logPrefix) {
  // A link in the item's way is an item path that leads outside.
  const bool linked = status.Is(Launcher::Status::Kind::LeadsElsewhere);
  WriteLogLine((linked ? std::wstring(L"非法路径:") + relative_path_ : logPrefix + absolute_path_));
  absolute_path_.clear();
  if (linked) return kUnsafeItemPath;
  return status.code() != 0 ? ResultFromError(status.code()) : E_FAIL;
}

const Launcher::HeldDirectory* ArchiveExtractCallback::HoldDirectory(const std::wstring& relative) {
  // Outermost first, from the target directory itself.
  std::wstring level;
  const Launcher::HeldDirectory* held = HoldLevel(level);
  for (const std::wstring& component : Launcher::PathComponents(relative)) {
    if (!held) return nullptr;
    level += (level.empty() ? L"" : L"\\") + component;
    held = HoldLevel(level);
  }
  return held;
}

void ArchiveExtractCallback::ReleaseHeld(const std::wstring& relative) {
  const std::wstring key = Launcher::NameKey(relative);
  for (auto held = held_.lower_bound(key); held != held_.end() && held->first.compare(0, key.size(), key) == 0;) {
    const bool below = held->first.size() == key.size() || held->first[key.size()] == L'\\';
    held = below ? held_.erase(held) : std::next(held);
  }
}

const Launcher::HeldDirectory* ArchiveExtractCallback::HoldLevel(const std::wstring& level) {
  // Each level is checked and held once per extraction; one that is missing
  // is made by the gate, with the launcher's own access entries, and
  // recorded.
  const std::wstring key = Launcher::NameKey(level);
  if (const auto found = held_.find(key); found != held_.end()) return &found->second;
  Launcher::HeldDirectory directory;
  Launcher::Status status = target_.Hold(level, directory);
  if (status.Is(Launcher::Status::Kind::NotFound) && target_.CreateDirectory(level).ok()) {
    created_paths_.push_back(directory_ + level);
    status = target_.Hold(level, directory);
  }
  // A file in the way, a link, or a directory another account made or may
  // change (what the update did not set aside was trusted when it was
  // planned): nothing is written into it.
  if (!status.ok()) return nullptr;
  return &held_.emplace(key, std::move(directory)).first->second;
}

}  // namespace SevenZip::intl

#include "launcher/extract/ArchiveExtractCallback.h"

#include <cwctype>
#include <new>
#include <utility>

#include "base/UniqueHandle.h"
#include "launcher/extract/ExtractionLog.h"
#include "launcher/extract/OutStreamWrapper.h"
#include "launcher/extract/PropertyValue.h"
#include "launcher/extract/SevenZipArchive.h"
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

ArchiveExtractCallback::ArchiveExtractCallback(ComPtr<IInArchive> archive, const Launcher::Installation& target)
    : archive_(std::move(archive)), target_(target), directory_(target.Directory()) {}

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

HRESULT ArchiveExtractCallback::ReadProperties(UINT32 index) {
  PropertyValue value;
  HRESULT hr = archive_->GetProperty(index, kpidAttrib, value.Put());
  if (FAILED(hr)) return hr;
  has_attributes_ = false;
  if (value.Type() == VT_UI4) {
    has_attributes_ = true;
    attributes_ = value.Get().ulVal;
  } else if (value.Type() != VT_EMPTY) {
    return E_FAIL;
  }

  hr = archive_->GetProperty(index, kpidIsDir, value.Put());
  if (FAILED(hr)) return hr;
  is_directory_ = false;
  if (value.Type() == VT_BOOL) {
    is_directory_ = value.Get().boolVal != VARIANT_FALSE;
  } else if (value.Type() != VT_EMPTY) {
    return E_FAIL;
  }

  hr = archive_->GetProperty(index, kpidIsAnti, value.Put());
  if (FAILED(hr)) return hr;
  is_anti_ = false;
  if (value.Type() == VT_BOOL) {
    is_anti_ = value.Get().boolVal != VARIANT_FALSE;
  } else if (value.Type() != VT_EMPTY) {
    return E_FAIL;
  }

  struct TimeProperty {
    PROPID id;
    bool* present;
    FILETIME* time;
  };
  const TimeProperty times[] = {{kpidMTime, &has_modified_, &modified_},
                                {kpidCTime, &has_created_, &created_},
                                {kpidATime, &has_accessed_, &accessed_}};
  for (const TimeProperty& t : times) {
    hr = archive_->GetProperty(index, t.id, value.Put());
    if (FAILED(hr)) return hr;
    *t.present = false;
    if (value.Type() == VT_FILETIME) {
      *t.present = true;
      *t.time = value.Get().filetime;
    } else if (value.Type() != VT_EMPTY) {
      return E_FAIL;
    }
  }

  hr = archive_->GetProperty(index, kpidSize, value.Put());
  if (FAILED(hr)) return hr;
  has_size_ = true;
  switch (value.Type()) {
    case VT_EMPTY:
      has_size_ = false;
      break;
    case VT_UI1:
      size_ = value.Get().bVal;
      break;
    case VT_UI2:
      size_ = value.Get().uiVal;
      break;
    case VT_UI4:
      size_ = value.Get().ulVal;
      break;
    case VT_UI8:
      size_ = value.Get().uhVal.QuadPart;
      break;
    default:
      return E_FAIL;
  }
  return S_OK;
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
  if (CreateDirectories(relative_path_)) return S_OK;
  // Written like the parent-directory failure: the directory with its separator.
  const bool separated = !absolute_path_.empty() && IsSeparator(absolute_path_.back());
  WriteLogLine(L"创建目录失败:" + absolute_path_ + (separated ? L"" : L"\\"));
  absolute_path_.clear();
  return kDirectoryCreationFailed;
}

HRESULT ArchiveExtractCallback::OpenFile(ISequentialOutStream** outStream) {
  WriteLogLine(L"FileBegin:" + absolute_path_);
  const bool existed = target_.Examine(relative_path_).Exists();
  // A path this long cannot be removed by every system, nor by the
  // rollback: what stands there stays.
  if (existed && absolute_path_.size() > MAX_PATH) {
    WriteLogLine(L"移除路径失败:" + absolute_path_);
    return ResultFromError(ERROR_FILENAME_EXCED_RANGE);
  }
  if (existed) {
    const Launcher::Status removed = target_.Remove(relative_path_);
    if (!removed.ok()) return Refused(removed, L"移除路径失败:");
  }
  const size_t separator = relative_path_.find_last_of(L"\\/");
  if (separator != std::wstring::npos && !CreateDirectories(relative_path_.substr(0, separator))) {
    WriteLogLine(L"创建目录失败:" + Join(directory_, relative_path_.substr(0, separator + 1)));
    return kDirectoryCreationFailed;
  }
  // Created new, never opened where something stands: a file another
  // account put under the name since it was emptied fails the item.
  UniqueHandle file;
  if (const Launcher::Status created = target_.CreateFile(relative_path_, GENERIC_WRITE, 0, 0, file); !created.ok()) {
    return Refused(created, L"创建文件失败:");
  }
  if (!existed) created_paths_.push_back(absolute_path_);
  // The engine writes through a second handle of the same file; this one
  // gives the file its times and attributes once the engine is done, with
  // no second open (and check) of the path.
  HANDLE duplicate = nullptr;
  if (!::DuplicateHandle(::GetCurrentProcess(), file.Get(), ::GetCurrentProcess(), &duplicate, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
    return Refused(Launcher::Status::FromLastError("DuplicateHandle", absolute_path_), L"创建文件失败:");
  }
  written_ = std::move(file);
  OutStreamWrapper* wrapper = new (std::nothrow) OutStreamWrapper(UniqueHandle(duplicate));
  if (!wrapper) {
    WriteLogLine(L"内存不足");
    return E_OUTOFMEMORY;
  }
  wrapper->AddRef();
  *outStream = wrapper;
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
  UniqueHandle file = std::move(written_);
  if (!file) static_cast<void>(target_.Open(relative_path_, FILE_WRITE_ATTRIBUTES, file));
  if (has_modified_ || has_created_ || has_accessed_) {
    if (file) {
      SetFileTime(file.Get(), has_created_ ? &created_ : nullptr, has_accessed_ ? &accessed_ : nullptr,
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
      SetFileInformationByHandle(file.Get(), FileBasicInfo, &basic, sizeof basic);
    }
  }
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

bool ArchiveExtractCallback::CreateDirectories(const std::wstring& relative) {
  // Outermost first; each level that is missing is made by the gate, with
  // the launcher's own access entries, and recorded.
  std::wstring level;
  for (const std::wstring& component : Launcher::PathComponents(relative)) {
    if (!level.empty()) level += L'\\';
    level += component;
    const Launcher::Installation::Examined found = target_.Examine(level);
    if (found.directory && found.standing == Launcher::Installation::Standing::Trusted) continue;
    // A file in the way, or a directory another account made or may change
    // (what the update did not set aside was trusted when it was planned):
    // nothing is written into it.
    if (found.Exists() || !target_.CreateDirectory(level).ok()) return false;
    created_paths_.push_back(directory_ + level);
  }
  return !level.empty();
}

}  // namespace SevenZip::intl

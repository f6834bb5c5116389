#include "launcher/extract/ArchiveExtractCallback.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cwctype>
#include <new>
#include <utility>

#include "base/FileSystem.h"
#include "base/UniqueHandle.h"
#include "launcher/extract/ExtractionLog.h"
#include "launcher/extract/FileStreams.h"
#include "launcher/extract/ItemPath.h"
#include "launcher/extract/OutStreamWrapper.h"
#include "launcher/extract/PropertyValue.h"

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

// The thread's last error as a result. A failure that left no error code must
// still stop the extraction: answering 0 would make the engine skip the item
// silently and report success.
HRESULT LastErrorResult() {
  HRESULT hr = ResultFromError(GetLastError());
  return hr == S_OK ? E_FAIL : hr;
}

std::wstring WithBackslashes(std::wstring path) {
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

std::wstring Join(const std::wstring& directory, const std::wstring& relative) {
  if (directory.empty()) return relative;
  if (IsSeparator(directory.back())) return directory + relative;
  return directory + L"\\" + relative;
}

// Deletes the file or directory tree at `path` for good. Returns 0 or the
// reason it could not.
DWORD RemovePath(const std::wstring& path) {
  if (path.empty() || path.size() > MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
  // The shell deletes a read-only file without asking on Windows, but Wine's
  // refuses a single one; clearing the flag first gives the same outcome on both.
  bool clearedReadOnly = false;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) && (attributes & FILE_ATTRIBUTE_READONLY)) {
    clearedReadOnly = SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) != 0;
  }
  std::wstring from = WithBackslashes(path);
  from.push_back(L'\0');  // the list ends with two zero characters
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
  SetLastError(0);
  int result = SHFileOperationW(&operation);
  if (result == 0 && !operation.fAnyOperationsAborted && !PathExists(path)) return 0;
  DWORD error = GetLastError();
  if (clearedReadOnly) SetFileAttributesW(path.c_str(), attributes);
  if (error != 0) return error;
  return result != 0 ? static_cast<DWORD>(result) : ERROR_ACCESS_DENIED;
}

}  // namespace

ArchiveExtractCallback::ArchiveExtractCallback(ComPtr<IInArchive> archive, const std::wstring& directory)
    : archive_(std::move(archive)), directory_(directory) {
  if (!directory_.empty() && !IsSeparator(directory_.back())) directory_ += L"\\";
}

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

HRESULT ArchiveExtractCallback::GetStream(UINT32 index, ISequentialOutStream** outStream, INT32 askExtractMode) {
  if (!outStream) return E_POINTER;
  *outStream = nullptr;

  PropertyValue path;
  HRESULT hr = archive_->GetProperty(index, kpidPath, path.Put());
  if (SUCCEEDED(hr)) {
    if (path.Type() == VT_EMPTY) {
      relative_path_ = kUnnamedItemPath;
    } else if (path.Type() == VT_BSTR) {
      relative_path_ = path.Get().bstrVal ? path.Get().bstrVal : L"";
    } else {
      hr = E_FAIL;
    }
  }
  // Testing and skipping write nothing, so nothing about the item matters
  // then, not even whether its path could be read.
  if (askExtractMode != kAskModeExtract) return S_OK;
  if (SUCCEEDED(hr)) hr = ReadProperties(index);
  if (FAILED(hr)) {
    WriteLogLine(L"获取数据失败");
    return hr;
  }

  // A link inside the target (made before or during the extraction) would
  // have the item written, or its old file removed, wherever it points.
  if (directory_final_.empty()) directory_final_ = FinalPath(directory_);
  if (!IsSafeItemPath(relative_path_) || ReachesThroughLink(directory_, directory_final_, relative_path_)) {
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

  if (is_directory_) {
    WriteLogLine(L"DirBegin:" + absolute_path_);
    if (!CreateDirectories(absolute_path_)) {
      // Written like the parent-directory failure: the directory with its separator.
      const bool separated = !absolute_path_.empty() && IsSeparator(absolute_path_.back());
      WriteLogLine(L"创建目录失败:" + absolute_path_ + (separated ? L"" : L"\\"));
      absolute_path_.clear();
      return kDirectoryCreationFailed;
    }
    return S_OK;
  }

  WriteLogLine(L"FileBegin:" + absolute_path_);
  const bool existed = PathExists(absolute_path_);
  if (existed) {
    DWORD error = RemovePath(absolute_path_);
    if (error != 0) {
      WriteLogLine(L"移除路径失败:" + absolute_path_);
      return ResultFromError(error);
    }
  }

  size_t separator = absolute_path_.find_last_of(L"\\/");
  std::wstring parent = separator == std::wstring::npos ? std::wstring() : absolute_path_.substr(0, separator + 1);
  if (!CreateDirectories(parent)) {
    WriteLogLine(L"创建目录失败:" + parent);
    return kDirectoryCreationFailed;
  }

  ComPtr<IStream> file = CreateFileForWriting(absolute_path_);
  if (!file) {
    HRESULT error = LastErrorResult();
    WriteLogLine(L"创建文件失败:" + absolute_path_);
    absolute_path_.clear();
    return error;
  }
  if (!existed) created_paths_.push_back(absolute_path_);

  OutStreamWrapper* wrapper = new (std::nothrow) OutStreamWrapper(std::move(file));
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
  if (has_modified_ || has_created_ || has_accessed_) {
    UniqueHandle file(CreateFileW(absolute_path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
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
    SetFileAttributesW(absolute_path_.c_str(), attributes);
  }
  WriteLogLine(L"FileDone:" + absolute_path_);
  // A damaged package (data or CRC error, unsupported method) must not count
  // as installed: the file stays as written, but the extraction stops here.
  return operationResult == kOperationOk ? S_OK : kDamagedItem;
}

bool ArchiveExtractCallback::CreateDirectories(const std::wstring& directory) {
  std::wstring path = WithBackslashes(directory);
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  if (path.empty()) return false;

  // The levels that are missing now, deepest first, so that the ones this
  // call creates can be recorded top-down afterwards.
  std::vector<std::wstring> missing;
  for (std::wstring level = path; !level.empty() && !PathExists(level);) {
    missing.push_back(level);
    size_t separator = level.find_last_of(L'\\');
    if (separator == std::wstring::npos || separator < 3) break;
    level.resize(separator);
  }

  int result = SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
  // Wine answers 183 also when a file has the name; Windows says 80. Only a
  // directory counts as there.
  bool ok = (result == ERROR_SUCCESS || result == ERROR_ALREADY_EXISTS) && DirectoryExists(path);
  for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
    if (DirectoryExists(*level)) created_paths_.push_back(*level);
  }
  return ok;
}

}  // namespace SevenZip::intl

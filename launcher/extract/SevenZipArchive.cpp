#include "launcher/extract/SevenZipArchive.h"

#include "launcher/extract/ArchiveOpenCallback.h"
#include "launcher/extract/FileStreams.h"
#include "launcher/extract/InStreamWrapper.h"
#include "launcher/extract/PropertyValue.h"

namespace SevenZip {

namespace {

constexpr ArchiveFormat kDetectionOrder[] = {Format7z, FormatLzma86, FormatLzma, FormatCab, FormatZip};

ComPtr<intl::ArchiveOpenCallback> NewOpenCallback() {
  return ComPtr<intl::ArchiveOpenCallback>::Share(new intl::ArchiveOpenCallback());
}

}  // namespace

ComPtr<IInStream> SevenZipArchive::OpenSource() const {
  if (file_) {
    HANDLE duplicate = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), file_, ::GetCurrentProcess(), &duplicate, 0, FALSE,
                           DUPLICATE_SAME_ACCESS)) {
      return ComPtr<IInStream>();
    }
    return ComPtr<IInStream>::Share(new intl::InStreamWrapper(UniqueHandle(duplicate)));
  }
  ComPtr<IStream> file = intl::OpenFileForReading(path_);
  if (!file) return ComPtr<IInStream>();
  return ComPtr<IInStream>::Share(new intl::InStreamWrapper(std::move(file)));
}

bool SevenZipArchive::SetPath(const std::wstring& path) {
  path_ = path;
  return true;
}

bool SevenZipArchive::Load() {
  // The list is read even after a failed detection (with FormatUnknown's
  // handler, 7z). That handler may search past the start of the file when
  // reading the list, which detection does not allow, so the list can be read
  // where detection failed: that still counts as a failed load.
  const bool detected = format_set_ || DetectFormat();
  const bool read = ReadItemList();
  return detected && read;
}

void SevenZipArchive::SetFormat(ArchiveFormat format) {
  format_ = format;
  format_set_ = true;
  loaded_ = false;
}

ArchiveFormat SevenZipArchive::Format() {
  if (!loaded_ && !format_set_) loaded_ = Load();
  return format_;
}

void SevenZipArchive::SetOption(int option) {
  option_ = option;
}

int SevenZipArchive::Option() {
  return option_;
}

bool SevenZipArchive::DetectFormat() {
  format_set_ = false;
  if (!OpenSource()) return false;

  std::vector<ArchiveFormat> candidates;
  for (ArchiveFormat f : kDetectionOrder) {
    if (f == format_) candidates.push_back(f);
  }
  for (ArchiveFormat f : kDetectionOrder) {
    if (f != format_) candidates.push_back(f);
  }

  ComPtr<intl::ArchiveOpenCallback> callback = NewOpenCallback();
  const UINT64 maxCheckStart = 0;
  for (ArchiveFormat candidate : candidates) {
    format_ = candidate;
    ComPtr<IInArchive> handler = CreateHandler(nullptr);
    if (!handler) continue;
    ComPtr<IInStream> stream = OpenSource();
    if (!stream) return false;
    HRESULT opened = handler->Open(stream.Get(), &maxCheckStart, callback.Get());
    handler->Close();
    if (opened == S_OK) return true;
  }
  format_ = FormatUnknown;
  return false;
}

UINT32 SevenZipArchive::ItemCount() {
  ItemsReadable();
  return item_count_;
}

bool SevenZipArchive::ItemsReadable() {
  if (!loaded_) loaded_ = Load();
  return loaded_;
}

std::vector<std::wstring> SevenZipArchive::ItemNames() {
  ItemsReadable();
  return item_names_;
}

std::vector<UINT32> SevenZipArchive::ItemSizes() {
  ItemsReadable();
  return item_sizes_;
}

std::vector<bool> SevenZipArchive::ItemDirectoryFlags() {
  ItemsReadable();
  return item_directories_;
}

std::vector<bool> SevenZipArchive::ItemDeletionMarkers() {
  ItemsReadable();
  return item_markers_;
}

ComPtr<IInArchive> SevenZipArchive::CreateHandler(HRESULT* result) const {
  const GUID classId = HandlerClassId(format_);
  ComPtr<IInArchive> handler;
  HRESULT hr = CreateObject(&classId, &IID_IInArchive, handler.PutVoid());
  if (result) *result = hr;
  if (FAILED(hr)) handler.Reset();
  return handler;
}

bool SevenZipArchive::ReadItemList() {
  ComPtr<IInStream> stream = OpenSource();
  if (!stream) return false;
  ComPtr<IInArchive> handler = CreateHandler(nullptr);
  if (!handler) return false;
  ComPtr<intl::ArchiveOpenCallback> callback = NewOpenCallback();
  if (handler->Open(stream.Get(), nullptr, callback.Get()) != S_OK) return false;

  UINT32 count = 0;
  if (FAILED(handler->GetNumberOfItems(&count))) {
    handler->Close();
    return false;
  }
  item_count_ = count;
  item_names_.assign(count, std::wstring());
  item_sizes_.assign(count, 0);
  item_directories_.assign(count, false);
  item_markers_.assign(count, false);

  bool ok = true;
  intl::PropertyValue value;
  for (UINT32 i = 0; i < count && ok; ++i) {
    if (FAILED(handler->GetProperty(i, kpidSize, value.Put()))) {
      ok = false;
      break;
    }
    switch (value.Type()) {
      case VT_UI1:
        item_sizes_[i] = value.Get().bVal;
        break;
      case VT_UI2:
        item_sizes_[i] = value.Get().uiVal;
        break;
      case VT_UI4:
        item_sizes_[i] = value.Get().ulVal;
        break;
      case VT_UI8:
        item_sizes_[i] = static_cast<UINT32>(value.Get().uhVal.QuadPart);
        break;
      default:
        break;
    }
    if (FAILED(handler->GetProperty(i, kpidPath, value.Put()))) {
      ok = false;
      break;
    }
    if (value.Type() == VT_BSTR && value.Get().bstrVal) item_names_[i] = value.Get().bstrVal;
    if (FAILED(handler->GetProperty(i, kpidIsDir, value.Put()))) {
      ok = false;
      break;
    }
    item_directories_[i] = value.Type() == VT_BOOL && value.Get().boolVal != VARIANT_FALSE;
    // Only 7z has the property; a format without it leaves it empty.
    if (FAILED(handler->GetProperty(i, kpidIsAnti, value.Put()))) {
      ok = false;
      break;
    }
    item_markers_[i] = value.Type() == VT_BOOL && value.Get().boolVal != VARIANT_FALSE;
  }
  handler->Close();
  return ok;
}

}  // namespace SevenZip

#include "launcher/extract/SevenZipExtractor.h"

#include <shlobj.h>

#include "launcher/extract/ArchiveExtractCallback.h"
#include "launcher/extract/ArchiveOpenCallback.h"

namespace SevenZip {

namespace {
constexpr HRESULT kArchiveNotOpened = 110;
constexpr UINT32 kAllItems = 0xFFFFFFFF;

// By default the engine decodes an LZMA2 stream packed in several blocks
// (what 7-Zip makes with more than one thread, its default) on every
// processor, and holds each extra thread's unpacked block in memory until
// its turn to be written: about 130 MB for a package made with 7-Zip's
// default settings, where one thread needs only the dictionary. The files
// written are the same. A handler without options keeps its default.
void DecodeOnOneThread(IInArchive* handler) {
  ComPtr<ISetProperties> options;
  if (FAILED(handler->QueryInterface(IID_ISetProperties, options.PutVoid())) || !options) return;
  const wchar_t* const names[] = {L"mt"};
  PROPVARIANT values[1] = {};
  values[0].vt = VT_UI4;
  values[0].ulVal = 1;
  options->SetProperties(names, values, 1);
}

}  // namespace

HRESULT SevenZipExtractor::ExtractTo(const std::wstring& directory) {
  created_paths_.clear();
  // An empty directory would put every item relative to whatever the
  // current directory is.
  if (directory.empty()) return E_INVALIDARG;
  std::wstring root = directory;
  while (!root.empty() && (root.back() == L'\\' || root.back() == L'/')) root.pop_back();
  // The target itself is made when missing, as the items' directories are,
  // and goes again when nothing was written into it.
  const bool made = ::GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES &&
                    ::SHCreateDirectoryExW(nullptr, root.c_str(), nullptr) == ERROR_SUCCESS;
  const bool separated = directory.back() == L'\\' || directory.back() == L'/';
  HRESULT result = E_FAIL;
  {
    const Launcher::Installation target(separated ? directory : directory + L"\\");
    result = Extract(target);
  }
  if (made) {
    // Made for nothing: a failure before the first item leaves no trace.
    if (result != 0 && created_paths_.empty()) {
      ::RemoveDirectoryW(root.c_str());
    } else {
      created_paths_.insert(created_paths_.begin(), root);
    }
  }
  return result;
}

Launcher::Status SevenZipExtractor::ExtractInto(const Launcher::Installation& target) {
  const HRESULT result = Extract(target);
  if (result == S_OK) return Launcher::Status::Ok();
  return Launcher::Status::Failed("SevenZipExtractor::ExtractTo", Path(), static_cast<unsigned long>(result));
}

HRESULT SevenZipExtractor::Extract(const Launcher::Installation& target) {
  created_paths_.clear();
  DetectFormat();

  ComPtr<IInStream> stream = OpenSource();
  if (!stream) return kArchiveNotOpened;
  HRESULT hr = S_OK;
  ComPtr<IInArchive> handler = CreateHandler(&hr);
  if (!handler) return FAILED(hr) ? hr : E_FAIL;
  DecodeOnOneThread(handler.Get());
  auto openCallback = ComPtr<intl::ArchiveOpenCallback>::Share(new intl::ArchiveOpenCallback());
  hr = handler->Open(stream.Get(), nullptr, openCallback.Get());
  if (hr != S_OK) return hr;

  auto callback = ComPtr<intl::ArchiveExtractCallback>::Share(
      new intl::ArchiveExtractCallback(handler, target, durability_ == Durability::OnTheMedium));
  hr = handler->Extract(nullptr, kAllItems, 0, callback.Get());
  handler->Close();
  created_paths_ = callback->CreatedPaths();
  return hr;
}

}  // namespace SevenZip

#include "launcher/extract/SevenZipExtractor.h"

#include "launcher/extract/ArchiveExtractCallback.h"
#include "launcher/extract/ArchiveOpenCallback.h"
#include "launcher/extract/FileStreams.h"
#include "launcher/extract/InStreamWrapper.h"

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
  DetectFormat();

  ComPtr<IStream> file = intl::OpenFileForReading(Path());
  if (!file) return kArchiveNotOpened;
  HRESULT hr = S_OK;
  ComPtr<IInArchive> handler = CreateHandler(&hr);
  if (!handler) return FAILED(hr) ? hr : E_FAIL;
  DecodeOnOneThread(handler.Get());
  auto stream = ComPtr<intl::InStreamWrapper>::Share(new intl::InStreamWrapper(std::move(file)));
  auto openCallback = ComPtr<intl::ArchiveOpenCallback>::Share(new intl::ArchiveOpenCallback());
  hr = handler->Open(stream.Get(), nullptr, openCallback.Get());
  if (hr != S_OK) return hr;

  auto callback = ComPtr<intl::ArchiveExtractCallback>::Share(new intl::ArchiveExtractCallback(handler, directory));
  hr = handler->Extract(nullptr, kAllItems, 0, callback.Get());
  handler->Close();
  created_paths_ = callback->CreatedPaths();
  return hr;
}

}  // namespace SevenZip

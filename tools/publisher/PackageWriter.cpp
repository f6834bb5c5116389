#include "tools/publisher/PackageWriter.h"

#include <windows.h>

#include <oleauto.h>

#include "base/ComPtr.h"
#include "base/RefCounted.h"
#include "base/UniqueHandle.h"
#include "base/Utf8.h"
#include "launcher/extract/ArchiveFormat.h"
#include "launcher/extract/InStreamWrapper.h"
#include "launcher/extract/OutStreamWrapper.h"
#include "launcher/extract/SevenZipInterfaces.h"
#include "tools/publisher/ReleaseFolder.h"

namespace Publisher {

// The engine's writing side, which the extraction facade does not declare:
// same slot order and calling convention as its reading side. Outside the
// anonymous namespace: the compiler takes a virtual call on a type no other
// unit can derive from, with no override in sight, for a pure one.
namespace engine {

using SevenZip::EngineInterfaceId;
using SevenZip::IProgress;
using SevenZip::ISequentialInStream;
using SevenZip::ISequentialOutStream;

inline constexpr GUID IID_IProgress = EngineInterfaceId(0x00, 0x05);
inline constexpr GUID IID_IArchiveUpdateCallback = EngineInterfaceId(0x06, 0x80);
inline constexpr GUID IID_IOutArchive = EngineInterfaceId(0x06, 0xA0);

struct IArchiveUpdateCallback : IProgress {
  virtual HRESULT STDMETHODCALLTYPE GetUpdateItemInfo(UINT32 index, INT32* newData, INT32* newProps,
                                                      UINT32* indexInArchive) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetProperty(UINT32 index, PROPID propID, PROPVARIANT* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStream(UINT32 index, ISequentialInStream** inStream) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetOperationResult(INT32 operationResult) = 0;
};

struct IOutArchive : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE UpdateItems(ISequentialOutStream* outStream, UINT32 numItems,
                                                IArchiveUpdateCallback* updateCallback) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFileTimeType(UINT32* type) = 0;
};

}  // namespace engine

namespace {

using engine::IArchiveUpdateCallback;
using engine::IID_IArchiveUpdateCallback;
using engine::IID_IOutArchive;
using engine::IID_IProgress;
using engine::IOutArchive;
using SevenZip::ISequentialInStream;

constexpr UINT32 kNotInArchive = 0xFFFFFFFF;

// Hands the engine every item as new, with only the properties that do not
// depend on when or where the release was built: name, kind, deletion,
// size. The first failure is kept as a message for the maker.
class UpdateCallback final : public RefCounted<IArchiveUpdateCallback> {
 public:
  explicit UpdateCallback(const std::vector<PackageItem>& items) : items_(items) {}

  const std::string& Error() const { return error_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IProgress || iid == IID_IArchiveUpdateCallback) {
      *object = static_cast<IArchiveUpdateCallback*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE SetTotal(UINT64) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64*) override { return S_OK; }

  HRESULT STDMETHODCALLTYPE GetUpdateItemInfo(UINT32 index, INT32* newData, INT32* newProps,
                                              UINT32* indexInArchive) override {
    if (index >= items_.size()) return E_INVALIDARG;
    if (newData) *newData = 1;
    if (newProps) *newProps = 1;
    if (indexInArchive) *indexInArchive = kNotInArchive;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetProperty(UINT32 index, PROPID id, PROPVARIANT* value) override {
    if (index >= items_.size() || !value) return E_INVALIDARG;
    const PackageItem& item = items_[index];
    PropVariantInit(value);
    switch (id) {
      case SevenZip::kpidPath:
        value->vt = VT_BSTR;
        value->bstrVal = ::SysAllocString(item.name.c_str());
        return value->bstrVal ? S_OK : E_OUTOFMEMORY;
      case SevenZip::kpidIsDir:
        value->vt = VT_BOOL;
        value->boolVal = item.directory ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
      case SevenZip::kpidIsAnti:
        value->vt = VT_BOOL;
        value->boolVal = item.deletion ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
      case SevenZip::kpidSize:
        value->vt = VT_UI8;
        value->uhVal.QuadPart = item.directory || item.deletion ? 0 : item.size;
        return S_OK;
      default:
        // Times and attributes stay out: they differ between build
        // machines and runs while the bytes do not.
        return S_OK;
    }
  }

  HRESULT STDMETHODCALLTYPE GetStream(UINT32 index, ISequentialInStream** stream) override {
    if (index >= items_.size() || !stream) return E_INVALIDARG;
    *stream = nullptr;
    const PackageItem& item = items_[index];
    if (item.directory || item.deletion) return S_OK;
    UniqueHandle file(::CreateFileW(item.source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
      const DWORD code = ::GetLastError();
      error_ = Utf8FromWide(item.source) + ": cannot be opened for reading (error " + std::to_string(code) +
               "); close the program that holds it and publish again";
      return HRESULT_FROM_WIN32(code);
    }
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file.Get(), &size) || static_cast<uint64_t>(size.QuadPart) != item.size) {
      error_ = Utf8FromWide(item.source) + ": changed while it was published; let the build finish and publish again";
      return E_FAIL;
    }
    auto wrapper = ComPtr<SevenZip::intl::InStreamWrapper>::Share(new SevenZip::intl::InStreamWrapper(std::move(file)));
    *stream = wrapper.Detach();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetOperationResult(INT32 result) override {
    if (result != 0 && error_.empty()) error_ = "the 7-Zip engine reported result " + std::to_string(result);
    return S_OK;
  }

 private:
  ~UpdateCallback() override = default;

  const std::vector<PackageItem>& items_;
  std::string error_;
};

// Settings named as on 7-Zip's command line.
HRESULT SetDeterministicOptions(IOutArchive* archive) {
  ComPtr<SevenZip::ISetProperties> options;
  HRESULT hr = archive->QueryInterface(SevenZip::IID_ISetProperties, options.PutVoid());
  if (FAILED(hr) || !options) return FAILED(hr) ? hr : E_NOINTERFACE;
  // One thread: LZMA2 splits its stream into blocks per thread, so the
  // bytes would depend on the machine's processors. Level 5, 7-Zip's
  // default: its 16 MB dictionary is what the 32-bit launcher holds while
  // it unpacks, as with the packages made by hand so far.
  const wchar_t* const names[] = {L"x", L"mt", L"mtf", L"s", L"hc"};
  PROPVARIANT values[5] = {};
  values[0].vt = VT_UI4;
  values[0].ulVal = 5;
  values[1].vt = VT_UI4;
  values[1].ulVal = 1;
  values[2].vt = VT_BOOL;
  values[2].boolVal = VARIANT_FALSE;
  values[3].vt = VT_BOOL;
  values[3].boolVal = VARIANT_TRUE;
  values[4].vt = VT_BOOL;
  values[4].boolVal = VARIANT_TRUE;
  return options->SetProperties(names, values, 5);
}

std::string Hex(HRESULT hr) {
  char text[16];
  wsprintfA(text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

}  // namespace

bool WritePackage(const std::wstring& path, const std::vector<PackageItem>& items, std::string& error) {
  ComPtr<IOutArchive> archive;
  const GUID handler = SevenZip::HandlerClassId(SevenZip::Format7z);
  HRESULT hr = CreateObject(&handler, &IID_IOutArchive, archive.PutVoid());
  if (FAILED(hr) || !archive) {
    error = "the linked 7-Zip engine cannot write 7z packages (" + Hex(hr) + "); rebuild the publisher";
    return false;
  }
  hr = SetDeterministicOptions(archive.Get());
  if (FAILED(hr)) {
    error = "the 7-Zip engine refuses the package settings (" + Hex(hr) + "); rebuild the publisher";
    return false;
  }
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    error = Utf8FromWide(path) + ": cannot be created (error " + std::to_string(::GetLastError()) +
            "); check that the output folder is writable";
    return false;
  }
  auto out = ComPtr<SevenZip::intl::OutStreamWrapper>::Share(new SevenZip::intl::OutStreamWrapper(std::move(file)));
  auto callback = ComPtr<UpdateCallback>::Share(new UpdateCallback(items));
  hr = archive->UpdateItems(out.Get(), static_cast<UINT32>(items.size()), callback.Get());
  if (hr != S_OK || !callback->Error().empty()) {
    error = callback->Error().empty()
                ? Utf8FromWide(path) + ": the 7-Zip engine failed to write it (" + Hex(hr) + "); check the free space"
                : callback->Error();
    return false;
  }
  return true;
}

}  // namespace Publisher

// The extract callback's reading of item properties: which value types it
// accepts, what a failed read gives, and that only the extract ask mode looks
// past the path. The real handlers never fail a read nor give a wrong type, so
// a scripted handler stands in for them here.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "base/RefCounted.h"
#include "launcher/extract/ArchiveExtractCallback.h"
#include "tests/extract/ExtractTestSupport.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

using namespace SevenZip;
using namespace SevenZip::intl;

namespace {

// One scripted answer of GetProperty: a failure, or a value of `type`.
struct Answer {
  HRESULT result = S_OK;
  VARTYPE type = VT_EMPTY;
  UINT64 number = 0;
  const wchar_t* text = nullptr;
};

// A handler that answers GetProperty from a script and nothing else.
class ScriptedHandler final : public RefCounted<IInArchive> {
 public:
  explicit ScriptedHandler(std::map<PROPID, Answer> script) : script_(std::move(script)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IInArchive) return E_NOINTERFACE;
    *object = static_cast<IInArchive*>(this);
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetProperty(UINT32, PROPID id, PROPVARIANT* value) override {
    PropVariantInit(value);
    auto it = script_.find(id);
    if (it == script_.end()) return S_OK;
    const Answer& a = it->second;
    if (FAILED(a.result)) return a.result;
    value->vt = a.type;
    if (a.type == VT_BSTR) {
      value->bstrVal = SysAllocString(a.text);
    } else if (a.type == VT_BOOL) {
      value->boolVal = a.number ? VARIANT_TRUE : VARIANT_FALSE;
    } else {
      value->uhVal.QuadPart = a.number;  // the integer and file time members share it
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Open(IInStream*, const UINT64*, IArchiveOpenCallback*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Close() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetNumberOfItems(UINT32*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Extract(const UINT32*, UINT32, INT32, IArchiveExtractCallback*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetArchiveProperty(PROPID, PROPVARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetNumberOfProperties(UINT32*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetPropertyInfo(UINT32, BSTR*, PROPID*, VARTYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetNumberOfArchiveProperties(UINT32*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetArchivePropertyInfo(UINT32, BSTR*, PROPID*, VARTYPE*) override { return E_NOTIMPL; }

 private:
  ~ScriptedHandler() override = default;
  std::map<PROPID, Answer> script_;
};

constexpr HRESULT kDenied = static_cast<HRESULT>(0x80070005);
constexpr INT32 kExtract = 0, kTest = 1, kSkip = 2;

struct PropertyCase {
  const char* what;
  std::map<PROPID, Answer> script;  // on top of a directory item named "d"
  INT32 askMode;
  HRESULT result;
  bool logsFailure;  // "获取数据失败"
};

class ItemProperties : public ::testing::TestWithParam<PropertyCase> {};

TEST_P(ItemProperties, AcceptTheirTypesAndFailOtherwise) {
  const PropertyCase& c = GetParam();
  TempDir dir(L"props");
  std::map<PROPID, Answer> script = {{kpidPath, {S_OK, VT_BSTR, 0, L"d"}}, {kpidIsDir, {S_OK, VT_BOOL, 1}}};
  for (const auto& [id, answer] : c.script) script[id] = answer;
  auto handler = ComPtr<IInArchive>::Share(new ScriptedHandler(script));
  const Launcher::Installation target(dir.Path());
  auto callback = ComPtr<ArchiveExtractCallback>::Share(new ArchiveExtractCallback(handler, target, false));

  CapturedOutput output;
  ISequentialOutStream* stream = nullptr;
  const HRESULT result = callback->GetStream(0, &stream, c.askMode);
  const std::vector<std::wstring> log = output.Lines();  // before any failure report goes to the output
  EXPECT_EQ(result, c.result) << c.what;
  EXPECT_EQ(stream, nullptr) << c.what;
  if (c.logsFailure) {
    EXPECT_EQ(log, std::vector<std::wstring>{L"获取数据失败"}) << c.what;
    EXPECT_FALSE(DirectoryExists(dir / L"d")) << c.what;
  } else if (c.askMode == kExtract) {
    EXPECT_EQ(log, std::vector<std::wstring>{L"DirBegin:" + dir / L"d"}) << c.what;
    EXPECT_TRUE(DirectoryExists(dir / L"d")) << c.what;
  } else {
    EXPECT_TRUE(log.empty()) << c.what;
    EXPECT_FALSE(DirectoryExists(dir / L"d")) << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ItemProperties,
    ::testing::Values(
        PropertyCase{"every accepted type",
                     {{kpidAttrib, {S_OK, VT_UI4, 0x10}},
                      {kpidMTime, {S_OK, VT_FILETIME, 1}},
                      {kpidCTime, {S_OK, VT_FILETIME, 1}},
                      {kpidATime, {S_OK, VT_FILETIME, 1}},
                      {kpidSize, {S_OK, VT_UI8, 5}}},
                     kExtract,
                     S_OK,
                     false},
        PropertyCase{"size of 8 bits", {{kpidSize, {S_OK, VT_UI1, 5}}}, kExtract, S_OK, false},
        PropertyCase{"size of 16 bits", {{kpidSize, {S_OK, VT_UI2, 5}}}, kExtract, S_OK, false},
        PropertyCase{"size of 32 bits", {{kpidSize, {S_OK, VT_UI4, 5}}}, kExtract, S_OK, false},
        PropertyCase{"signed size", {{kpidSize, {S_OK, VT_I8, 5}}}, kExtract, E_FAIL, true},
        PropertyCase{"path as a number", {{kpidPath, {S_OK, VT_UI4, 1}}}, kExtract, E_FAIL, true},
        PropertyCase{"attributes of 64 bits", {{kpidAttrib, {S_OK, VT_UI8, 0x10}}}, kExtract, E_FAIL, true},
        PropertyCase{"directory flag as a number", {{kpidIsDir, {S_OK, VT_UI4, 1}}}, kExtract, E_FAIL, true},
        PropertyCase{"time as a number", {{kpidATime, {S_OK, VT_UI8, 1}}}, kExtract, E_FAIL, true},
        PropertyCase{"failed path read", {{kpidPath, {kDenied}}}, kExtract, kDenied, true},
        PropertyCase{"failed attribute read", {{kpidAttrib, {kDenied}}}, kExtract, kDenied, true},
        PropertyCase{"failed size read", {{kpidSize, {kDenied}}}, kExtract, kDenied, true},
        // Only extraction needs the item: testing and skipping answer S_OK
        // before any read is judged, the path's included.
        PropertyCase{"test mode", {{kpidAttrib, {kDenied}}}, kTest, S_OK, false},
        PropertyCase{"failed path read in test mode", {{kpidPath, {kDenied}}}, kTest, S_OK, false},
        PropertyCase{"path as a number when skipping", {{kpidPath, {S_OK, VT_UI4, 1}}}, kSkip, S_OK, false}));

}  // namespace

#pragma once

#include <windows.h>

#include <objidl.h>
#include <propidl.h>

// The 7-Zip engine's interfaces as far as the extraction facade uses them,
// declared with the engine's slot order and calling convention (every method
// __stdcall, no virtual destructor). The engine is linked into the program;
// CreateObject is its single entry point.

extern "C" HRESULT WINAPI CreateObject(const GUID* classId, const GUID* interfaceId, void** object);

namespace SevenZip {

// Interface ids of the engine: 23170F69-40C1-278A-0000-00GG00NN0000.
constexpr GUID EngineInterfaceId(unsigned char group, unsigned char number) {
  return GUID{0x23170F69, 0x40C1, 0x278A, {0, 0, 0, group, 0, number, 0, 0}};
}

inline constexpr GUID IID_ISequentialInStream = EngineInterfaceId(0x03, 0x01);
inline constexpr GUID IID_ISequentialOutStream = EngineInterfaceId(0x03, 0x02);
inline constexpr GUID IID_IInStream = EngineInterfaceId(0x03, 0x03);
inline constexpr GUID IID_IOutStream = EngineInterfaceId(0x03, 0x04);
inline constexpr GUID IID_IStreamGetSize = EngineInterfaceId(0x03, 0x06);
inline constexpr GUID IID_ICompressProgressInfo = EngineInterfaceId(0x04, 0x04);
inline constexpr GUID IID_ICryptoGetTextPassword = EngineInterfaceId(0x05, 0x10);
inline constexpr GUID IID_ISetProperties = EngineInterfaceId(0x06, 0x03);
inline constexpr GUID IID_IArchiveOpenCallback = EngineInterfaceId(0x06, 0x10);
inline constexpr GUID IID_IArchiveExtractCallback = EngineInterfaceId(0x06, 0x20);
inline constexpr GUID IID_IInArchive = EngineInterfaceId(0x06, 0x60);

// Item property ids read from the handlers.
enum ItemProperty : PROPID {
  kpidPath = 3,
  kpidIsDir = 6,
  kpidSize = 7,
  kpidAttrib = 9,
  kpidCTime = 10,
  kpidATime = 11,
  kpidMTime = 12,
  kpidIsAnti = 21,
};

// Ask mode of IArchiveExtractCallback::GetStream that asks for real output.
constexpr INT32 kAskModeExtract = 0;

struct ISequentialInStream : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Read(void* data, UINT32 size, UINT32* processedSize) = 0;
};

struct IInStream : ISequentialInStream {
  virtual HRESULT STDMETHODCALLTYPE Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition) = 0;
};

struct IStreamGetSize : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetSize(UINT64* size) = 0;
};

struct ISequentialOutStream : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Write(const void* data, UINT32 size, UINT32* processedSize) = 0;
};

struct IOutStream : ISequentialOutStream {
  virtual HRESULT STDMETHODCALLTYPE Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSize(UINT64 newSize) = 0;
};

struct IArchiveOpenCallback : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetTotal(const UINT64* files, const UINT64* bytes) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64* files, const UINT64* bytes) = 0;
};

struct IProgress : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetTotal(UINT64 total) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64* completeValue) = 0;
};

struct IArchiveExtractCallback : IProgress {
  virtual HRESULT STDMETHODCALLTYPE GetStream(UINT32 index, ISequentialOutStream** outStream, INT32 askExtractMode) = 0;
  virtual HRESULT STDMETHODCALLTYPE PrepareOperation(INT32 askExtractMode) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetOperationResult(INT32 opRes) = 0;
};

struct ICryptoGetTextPassword : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CryptoGetTextPassword(BSTR* password) = 0;
};

struct ICompressProgressInfo : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetRatioInfo(const UINT64* inSize, const UINT64* outSize) = 0;
};

// Options of a handler, named as on the 7-Zip command line ("mt": threads).
struct ISetProperties : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetProperties(const wchar_t* const* names, const PROPVARIANT* values,
                                                  UINT32 count) = 0;
};

struct IInArchive : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Open(IInStream* stream, const UINT64* maxCheckStartPosition,
                                         IArchiveOpenCallback* openCallback) = 0;
  virtual HRESULT STDMETHODCALLTYPE Close() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNumberOfItems(UINT32* numItems) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetProperty(UINT32 index, PROPID propID, PROPVARIANT* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE Extract(const UINT32* indices, UINT32 numItems, INT32 testMode,
                                            IArchiveExtractCallback* extractCallback) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetArchiveProperty(PROPID propID, PROPVARIANT* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNumberOfProperties(UINT32* numProps) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPropertyInfo(UINT32 index, BSTR* name, PROPID* propID, VARTYPE* varType) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNumberOfArchiveProperties(UINT32* numProps) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetArchivePropertyInfo(UINT32 index, BSTR* name, PROPID* propID,
                                                           VARTYPE* varType) = 0;
};

}  // namespace SevenZip

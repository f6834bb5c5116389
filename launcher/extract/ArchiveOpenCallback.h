#pragma once

#include <windows.h>

#include "base/RefCounted.h"
#include "launcher/extract/SevenZipInterfaces.h"

namespace SevenZip::intl {

// The engine's open callback. Accepts every progress report and refuses every
// password request (E_ABORT), so an archive with an encrypted item list does
// not open. ICryptoGetTextPassword is a second interface of the same object.
// Reference counted like InStreamWrapper; used on the opening thread.
class ArchiveOpenCallback final : public RefCounted<IArchiveOpenCallback, ICryptoGetTextPassword> {
 public:
  ArchiveOpenCallback() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;

  HRESULT STDMETHODCALLTYPE SetTotal(const UINT64* files, const UINT64* bytes) override;
  HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64* files, const UINT64* bytes) override;
  HRESULT STDMETHODCALLTYPE CryptoGetTextPassword(BSTR* password) override;

 private:
  ~ArchiveOpenCallback() override = default;
};

}  // namespace SevenZip::intl

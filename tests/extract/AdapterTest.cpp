#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "launcher/extract/ArchiveExtractCallback.h"
#include "launcher/extract/ArchiveFormat.h"
#include "launcher/extract/ArchiveOpenCallback.h"
#include "launcher/extract/FileStreams.h"
#include "launcher/extract/InStreamWrapper.h"
#include "launcher/extract/OutStreamWrapper.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

using namespace SevenZip;
using namespace SevenZip::intl;

TEST(InStreamWrapper, ReadsSeeksAndSizesTheFileAndAnswersItsInterfaces) {
  TempDir dir(L"instream");
  ASSERT_TRUE(WriteBytes(dir / L"data.bin", "0123456789"));
  auto stream = ComPtr<InStreamWrapper>::Share(new InStreamWrapper(OpenFileForReading(dir / L"data.bin")));

  // A short read is a success with the count; the end reads 0.
  char buffer[64] = {};
  UINT32 read = 99;
  EXPECT_EQ(stream->Read(buffer, sizeof buffer, &read), S_OK);
  EXPECT_EQ(read, 10u);
  EXPECT_EQ(std::string(buffer, read), "0123456789");
  EXPECT_EQ(stream->Read(buffer, sizeof buffer, &read), S_OK);
  EXPECT_EQ(read, 0u);
  UINT64 position = 0;
  EXPECT_EQ(stream->Seek(-4, STREAM_SEEK_END, &position), S_OK);
  EXPECT_EQ(position, 6u);
  EXPECT_EQ(stream->Read(buffer, 2, &read), S_OK);
  EXPECT_EQ(std::string(buffer, read), "67");

  ComPtr<IStreamGetSize> sizer;
  ASSERT_EQ(stream->QueryInterface(IID_IStreamGetSize, sizer.PutVoid()), S_OK);
  UINT64 size = 0;
  EXPECT_EQ(sizer->GetSize(&size), S_OK);
  EXPECT_EQ(size, 10u);

  for (const GUID& iid : {IID_IUnknown, IID_ISequentialInStream, IID_IInStream}) {
    ComPtr<IUnknown> same;
    ASSERT_EQ(stream->QueryInterface(iid, same.PutVoid()), S_OK);
    EXPECT_EQ(same.Get(), static_cast<IUnknown*>(static_cast<IInStream*>(stream.Get())));
  }
  void* none = &size;
  EXPECT_EQ(stream->QueryInterface(IID_IOutStream, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
}

TEST(InStreamWrapper, LastReleaseClosesTheFile) {
  TempDir dir(L"close");
  ASSERT_TRUE(WriteBytes(dir / L"held.bin", "x"));
  auto stream = ComPtr<InStreamWrapper>::Share(new InStreamWrapper(OpenFileForReading(dir / L"held.bin")));
  ComPtr<IStreamGetSize> second;
  ASSERT_EQ(stream->QueryInterface(IID_IStreamGetSize, second.PutVoid()), S_OK);
  stream.Reset();
  // Still held through the second interface: the open file blocks deletion.
  EXPECT_FALSE(DeleteFileW((dir / L"held.bin").c_str()));
  second.Reset();
  EXPECT_TRUE(DeleteFileW((dir / L"held.bin").c_str()));
}

TEST(OutStreamWrapper, WritesSizesAndClosesOnLastRelease) {
  TempDir dir(L"outstream");
  auto stream = ComPtr<OutStreamWrapper>::Share(new OutStreamWrapper(CreateFileForWriting(dir / L"out.bin")));
  UINT32 written = 0;
  EXPECT_EQ(stream->Write("abcdef", 6, &written), S_OK);
  EXPECT_EQ(written, 6u);
  EXPECT_EQ(stream->SetSize(4), S_OK);
  UINT64 position = 0;
  EXPECT_EQ(stream->Seek(0, STREAM_SEEK_END, &position), S_OK);
  EXPECT_EQ(position, 4u);
  void* none = nullptr;
  EXPECT_EQ(stream->QueryInterface(IID_IInStream, &none), E_NOINTERFACE);
  stream.Reset();
  EXPECT_EQ(ReadBytes(dir / L"out.bin"), "abcd");
}

TEST(Callbacks, RefusePasswordsAndAnswerOnlyTheirInterfaces) {
  auto open = ComPtr<ArchiveOpenCallback>::Share(new ArchiveOpenCallback());
  ComPtr<ICryptoGetTextPassword> password;
  ASSERT_EQ(open->QueryInterface(IID_ICryptoGetTextPassword, password.PutVoid()), S_OK);
  BSTR text = nullptr;
  EXPECT_EQ(password->CryptoGetTextPassword(&text), E_ABORT);
  EXPECT_EQ(text, nullptr);
  void* none = nullptr;
  EXPECT_EQ(open->QueryInterface(IID_IArchiveExtractCallback, &none), E_NOINTERFACE);

  const GUID classId = HandlerClassId(Format7z);
  ComPtr<IInArchive> handler;
  ASSERT_EQ(CreateObject(&classId, &IID_IInArchive, handler.PutVoid()), S_OK);
  const Launcher::Installation target(L"C:\\");
  auto extract = ComPtr<ArchiveExtractCallback>::Share(new ArchiveExtractCallback(handler, target, false));
  ComPtr<ICryptoGetTextPassword> extractPassword;
  ASSERT_EQ(extract->QueryInterface(IID_ICryptoGetTextPassword, extractPassword.PutVoid()), S_OK);
  EXPECT_EQ(extractPassword->CryptoGetTextPassword(&text), E_ABORT);
  ComPtr<ICompressProgressInfo> progress;
  ASSERT_EQ(extract->QueryInterface(IID_ICompressProgressInfo, progress.PutVoid()), S_OK);
  // Every interface of the callback is the same object (COM identity); what
  // SetRatioInfo answers is watched by the extractions, which it would abort.
  ComPtr<IUnknown> viaProgress;
  ComPtr<IUnknown> viaExtract;
  ASSERT_EQ(progress->QueryInterface(IID_IUnknown, viaProgress.PutVoid()), S_OK);
  ASSERT_EQ(extract->QueryInterface(IID_IUnknown, viaExtract.PutVoid()), S_OK);
  EXPECT_EQ(viaProgress.Get(), viaExtract.Get());
  EXPECT_EQ(extract->QueryInterface(IID_IArchiveOpenCallback, &none), E_NOINTERFACE);
}

TEST(Callbacks, ReferenceCountsHoldUnderTwoThreads) {
  auto callback = ComPtr<ArchiveOpenCallback>::Share(new ArchiveOpenCallback());
  auto churn = [&] {
    for (int i = 0; i < 200000; ++i) {
      callback->AddRef();
      callback->Release();
    }
  };
  std::thread a(churn);
  std::thread b(churn);
  a.join();
  b.join();
  // Exactly the creator's reference is left.
  EXPECT_EQ(callback->AddRef(), 2u);
  EXPECT_EQ(callback->Release(), 1u);
}

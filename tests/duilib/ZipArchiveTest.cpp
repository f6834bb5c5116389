#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "duilib/core/CZipArchive.h"
#include "duilib/core/UniqueInflateStream.h"
#include "tests/duilib/GuardedBuffer.h"
#include "tests/duilib/SkinBytes.h"
#include "tests/duilib/ZipWriter.h"

using DuiLib::CZipArchive;
using DuiLib::ZipExtractResult;
using DuiLib::ZipMemberInfo;

namespace {

enum class Outcome { OpenFailed, NotFound, ExtractFailed, Read };

// Opens `bytes` from a guarded copy and reads `name` whole, as the skin
// reader does.
Outcome ReadMember(const std::string& bytes, const wchar_t* name, std::string* out = nullptr) {
  GuardedBuffer guarded(bytes);
  std::unique_ptr<CZipArchive> archive = CZipArchive::OpenMemory(guarded.Data(), guarded.Size());
  if (!archive) return Outcome::OpenFailed;
  ZipMemberInfo info;
  if (!archive->FindMember(name, info)) return Outcome::NotFound;
  std::string data(info.uncompressedSize, '\0');
  if (archive->Extract(info, &data[0], data.size()) == ZipExtractResult::Error) return Outcome::ExtractFailed;
  if (out != nullptr) *out = data;
  return Outcome::Read;
}

uint32_t Get32(const std::string& s, size_t at) {
  uint32_t v = 0;
  std::memcpy(&v, s.data() + at, 4);
  return v;
}
void Set16(std::string& s, size_t at, uint16_t v) {
  std::memcpy(&s[at], &v, 2);
}
void Set32(std::string& s, size_t at, uint32_t v) {
  std::memcpy(&s[at], &v, 4);
}

size_t EndRecord(const std::string& zip) {
  return zip.rfind(std::string("PK\x05\x06", 4));
}

// Offset of the central-directory entry of `name`.
size_t DirectoryEntry(const std::string& zip, const std::string& name) {
  const std::string signature("PK\x01\x02", 4);
  for (size_t at = zip.find(signature); at != std::string::npos; at = zip.find(signature, at + 1)) {
    if (zip.compare(at + 46, name.size(), name) == 0) return at;
  }
  return std::string::npos;
}

size_t LocalHeader(const std::string& zip, const std::string& name) {
  return Get32(zip, DirectoryEntry(zip, name) + 42);
}

TEST(ZipArchive, SkinPackageHoldsBothSkinsAndSixImagesInPackedOrder) {
  const std::string zip = SkinPackageBytes();
  ASSERT_FALSE(zip.empty());
  GuardedBuffer guarded(zip);
  std::unique_ptr<CZipArchive> archive = CZipArchive::OpenMemory(guarded.Data(), guarded.Size());
  ASSERT_TRUE(archive);
  const wchar_t* members[] = {L"MessageBox.xml",          L"img/",
                              L"img/buttonA.png",         L"img/buttonB.png",
                              L"img/icon_close.png",      L"img/icon_logo.png",
                              L"img/icon_vscrollbar.png", L"img/pic_bg.png",
                              L"MainWindow.xml"};
  EXPECT_EQ(archive->MemberCount(), 9u);
  for (uint32_t i = 0; i < 9; ++i) {
    ZipMemberInfo info;
    ASSERT_TRUE(archive->FindMember(members[i], info)) << i;
    EXPECT_EQ(info.index, i);
    EXPECT_EQ(info.method, i == 1 ? 0 : 8) << i;
  }
}

TEST(ZipArchive, LookupFoldsOnlyAsciiLettersAndTakesBackslashAsSlash) {
  const std::string zip = SkinPackageBytes();
  struct Case {
    const wchar_t* name;
    bool found;
  } cases[] = {
      {L"img/pic_bg.png", true},   {L"img\\pic_bg.png", true},
      {L"IMG/PIC_BG.PNG", true},   {L"Img\\Pic_Bg.PnG", true},
      {L"mainwindow.xml", true},   {L"img/pic_bg.png ", false},
      {L"/img/pic_bg.png", false}, {L"img//pic_bg.png", false},
      {L"img/pic_bg", false},      {L"", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadMember(zip, c.name) != Outcome::NotFound, c.found) << std::string(c.name, c.name + wcslen(c.name));
  }

  // "[" and "{" differ only in the bit that folds letters: they must not match.
  ZipWriter writer;
  writer.Add("a[b", "x");
  writer.Add("c@", "y");
  const std::string small = writer.Finish();
  EXPECT_EQ(ReadMember(small, L"A[B"), Outcome::Read);
  EXPECT_EQ(ReadMember(small, L"A{B"), Outcome::NotFound);
  EXPECT_EQ(ReadMember(small, L"C`"), Outcome::NotFound);
}

TEST(ZipArchive, NamesOf256CharactersOrMoreAreNeverFound) {
  const std::string name255(255, 'n');
  const std::string name256(256, 'n');
  ZipWriter writer;
  writer.Add(name255, "255");
  writer.Add(name256, "256");
  const std::string zip = writer.Finish();
  std::string data;
  EXPECT_EQ(ReadMember(zip, std::wstring(255, L'N').c_str(), &data), Outcome::Read);
  EXPECT_EQ(data, "255");
  EXPECT_EQ(ReadMember(zip, std::wstring(256, L'n').c_str()), Outcome::NotFound);
  EXPECT_EQ(ReadMember(zip, std::wstring(300, L'n').c_str()), Outcome::NotFound);
}

// Stored members carry their CRC like deflated ones: damaged bytes must fail
// the read, not come out as the member's content.
TEST(ZipArchive, DamagedStoredMemberFailsItsCrc) {
  ZipWriter writer;
  writer.Add("stored.xml", "<Window size=\"10,10\"/>");
  const std::string good = writer.Finish();
  const size_t data = LocalHeader(good, "stored.xml") + 30 + std::string("stored.xml").size();
  std::string read;
  ASSERT_EQ(ReadMember(good, L"stored.xml", &read), Outcome::Read);
  EXPECT_EQ(read, "<Window size=\"10,10\"/>");
  for (size_t at : {data, data + 9, data + 21}) {
    std::string damaged = good;
    damaged[at] ^= 0x01;
    EXPECT_EQ(ReadMember(damaged, L"stored.xml"), Outcome::ExtractFailed) << at;
  }
}

TEST(ZipArchive, FirstOfTwoEqualNamesWinsAndStoredMembersRead) {
  ZipWriter writer;
  writer.Add("dup.txt", "first");
  writer.Add("DUP.TXT", "second");
  std::string data;
  EXPECT_EQ(ReadMember(writer.Finish(), L"Dup.Txt", &data), Outcome::Read);
  EXPECT_EQ(data, "first");
}

TEST(ZipArchive, ExtractStopsAtAFullBufferAndInflatesTheSkinExactly) {
  const std::string zip = SkinPackageBytes();
  GuardedBuffer guarded(zip);
  std::unique_ptr<CZipArchive> archive = CZipArchive::OpenMemory(guarded.Data(), guarded.Size());
  ASSERT_TRUE(archive);
  ZipMemberInfo info;
  ASSERT_TRUE(archive->FindMember(L"MainWindow.xml", info));
  std::string whole(info.uncompressedSize, '\0');
  ASSERT_EQ(archive->Extract(info, &whole[0], whole.size()), ZipExtractResult::Finished);
  EXPECT_EQ(whole.compare(0, 4, "<!--"), 0);
  EXPECT_NE(whole.find("</Window>"), std::string::npos);

  // The output buffer itself is guarded: a short buffer must not be overrun.
  void* base = nullptr;
  char* part = static_cast<char*>(GuardedBuffer::AllocateGuarded(100, &base));
  UniqueVirtualMemory owner(base);
  ASSERT_NE(part, nullptr);
  EXPECT_EQ(archive->Extract(info, part, 100), ZipExtractResult::BufferFull);
  EXPECT_EQ(std::string(part, 100), whole.substr(0, 100));
}

TEST(ZipArchive, MalformedArchivesFailWithoutReadingOutsideTheirBytes) {
  const std::string good = SkinPackageBytes();
  ASSERT_FALSE(good.empty());
  const size_t end = EndRecord(good);
  const size_t directory = Get32(good, end + 16);
  const std::string target = "MainWindow.xml";
  const size_t entry = DirectoryEntry(good, target);
  const size_t local = LocalHeader(good, target);
  ASSERT_NE(entry, std::string::npos);

  struct Case {
    const char* what;
    std::function<void(std::string&)> damage;
    Outcome expected;
  } cases[] = {
      {"empty", [](std::string& z) { z.clear(); }, Outcome::OpenFailed},
      {"shorter than an end record", [](std::string& z) { z = z.substr(z.size() - 21); }, Outcome::OpenFailed},
      {"no end record", [&](std::string& z) { z[end] = 'X'; }, Outcome::OpenFailed},
      {"comment length past the end", [&](std::string& z) { Set16(z, end + 20, 10); }, Outcome::OpenFailed},
      {"central directory cut short", [&](std::string& z) { z.erase(directory + 30, end - directory - 30); },
       Outcome::OpenFailed},
      {"more entries than the directory holds",
       [&](std::string& z) {
         Set16(z, end + 8, 10);
         Set16(z, end + 10, 10);
       },
       Outcome::OpenFailed},
      {"directory size past the end record", [&](std::string& z) { Set32(z, end + 12, Get32(z, end + 12) + 64); },
       Outcome::OpenFailed},
      {"directory offset past the end", [&](std::string& z) { Set32(z, end + 16, 0xFFFFFF00u); }, Outcome::OpenFailed},
      {"entry name length past the directory", [&](std::string& z) { Set16(z, entry + 28, 0xFFFF); },
       Outcome::OpenFailed},
      {"spanned archive", [&](std::string& z) { Set16(z, end + 4, 1); }, Outcome::OpenFailed},
      {"local header offset past the end", [&](std::string& z) { Set32(z, entry + 42, 0x7FFFFFF0u); },
       Outcome::ExtractFailed},
      {"local header offset inside the directory", [&](std::string& z) { Set32(z, entry + 42, directory + 4); },
       Outcome::ExtractFailed},
      {"local signature wrong", [&](std::string& z) { z[local] = 'Q'; }, Outcome::ExtractFailed},
      {"local method lies", [&](std::string& z) { Set16(z, local + 8, 0); }, Outcome::ExtractFailed},
      {"local CRC lies", [&](std::string& z) { Set32(z, local + 14, Get32(z, local + 14) ^ 1); },
       Outcome::ExtractFailed},
      {"local compressed size lies", [&](std::string& z) { Set32(z, local + 18, Get32(z, local + 18) + 1); },
       Outcome::ExtractFailed},
      {"local size lies", [&](std::string& z) { Set32(z, local + 22, Get32(z, local + 22) - 1); },
       Outcome::ExtractFailed},
      {"local extra length runs past the data", [&](std::string& z) { Set16(z, local + 28, 0xFFFF); },
       Outcome::ExtractFailed},
      {"compressed size past the directory",
       [&](std::string& z) {
         Set32(z, entry + 20, 0x00FFFFFFu);
         Set32(z, local + 18, 0x00FFFFFFu);
       },
       Outcome::ExtractFailed},
      {"both sizes larger than the data inflates to",
       [&](std::string& z) {
         Set32(z, entry + 24, Get32(z, entry + 24) + 10);
         Set32(z, local + 22, Get32(z, local + 22) + 10);
       },
       Outcome::ExtractFailed},
      {"compressed data damaged",
       [&](std::string& z) {
         for (size_t i = 0; i < 16; ++i) z[local + 30 + target.size() + 40 + i] ^= 0x5A;
       },
       Outcome::ExtractFailed},
      {"encrypted",
       [&](std::string& z) {
         Set16(z, entry + 8, 1);
         Set16(z, local + 6, 1);
       },
       Outcome::ExtractFailed},
      {"unsupported method",
       [&](std::string& z) {
         Set16(z, entry + 10, 12);
         Set16(z, local + 8, 12);
       },
       Outcome::ExtractFailed},
  };
  EXPECT_EQ(ReadMember(good, L"MainWindow.xml"), Outcome::Read);
  for (const Case& c : cases) {
    std::string zip = good;
    c.damage(zip);
    EXPECT_EQ(ReadMember(zip, L"MainWindow.xml"), c.expected) << c.what;
  }
}

TEST(UniqueInflateStream, MoveTransfersOwnershipAndEndsTheStreamOnce) {
  z_stream stream = {};
  ASSERT_EQ(::inflateInit2(&stream, -MAX_WBITS), Z_OK);
  {
    UniqueInflateStream first(&stream);
    UniqueInflateStream second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.Get(), &stream);
    EXPECT_NE(stream.state, nullptr);
  }
  EXPECT_EQ(stream.state, nullptr);  // inflateEnd ran
}

}  // namespace

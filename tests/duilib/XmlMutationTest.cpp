// Robustness of the markup parser and the zip reader against damaged skins.
// Every buffer they read is placed right before a PAGE_NOACCESS page: the
// input bytes, and (through the replaced array operator new below) the
// parser's own text buffer, so that any read or write past the end faults
// and ends the test program instead of passing unnoticed.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <string>

#include "duilib/core/CXmlDocument.h"
#include "duilib/core/CZipArchive.h"
#include "tests/duilib/GuardedBuffer.h"
#include "tests/duilib/SkinBytes.h"

namespace {

bool guardArrays = false;
int guardedAllocations = 0;
struct GuardedBlock {
  void* start;
  void* base;
  size_t size;
};
GuardedBlock guardedBlocks[8] = {};

void* AllocateArray(size_t size) noexcept {
  if (size == 0) size = 1;
  if (!guardArrays) return std::malloc(size);
  for (GuardedBlock& block : guardedBlocks) {
    if (block.start != nullptr) continue;
    block.start = GuardedBuffer::AllocateGuarded(size, &block.base);
    block.size = size;
    ++guardedAllocations;
    return block.start;
  }
  return nullptr;
}

void FreeArray(void* p) noexcept {
  if (p == nullptr) return;
  for (GuardedBlock& block : guardedBlocks) {
    if (block.start == p) {
      ::VirtualFree(block.base, 0, MEM_RELEASE);
      block = GuardedBlock{};
      return;
    }
  }
  std::free(p);
}

}  // namespace

void* operator new[](size_t size) {
  void* p = AllocateArray(size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return AllocateArray(size);
}
void operator delete[](void* p) noexcept {
  FreeArray(p);
}
void operator delete[](void* p, size_t) noexcept {
  FreeArray(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  FreeArray(p);
}

namespace {

using DuiLib::CXmlDocument;
using DuiLib::CXmlNode;
using DuiLib::XmlEncoding;

// A fixed linear congruential generator: the same cases on every run.
struct Random {
  uint32_t state;
  uint32_t Next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
};

const std::set<std::wstring> kParserMessages = {
    L"Expected start tag",
    L"Error parsing element name",
    L"Expected start-tag closing",
    L"Expected end-tag start",
    L"Unmatched closing tag",
    L"Error while parsing attributes",
    L"Expected attribute value",
    L"Error while parsing attribute string",
    L"Unsupported encoding: UTF-16 without a byte order mark",
    L"Elements nested too deeply",
};

size_t Walk(CXmlNode node) {
  size_t seen = 0;
  for (; node.IsValid(); node = node.GetSibling()) {
    seen += std::wcslen(node.GetName()) + std::wcslen(node.GetValue());
    const int count = node.GetAttributeCount();
    for (int i = 0; i < count; ++i) {
      seen += std::wcslen(node.GetAttributeName(i)) + std::wcslen(node.GetAttributeValue(i)) + 1;
    }
    if (node.GetAttributeValue(L"name") != nullptr) ++seen;
    seen += Walk(node.GetChild());
  }
  return seen;
}

struct Tally {
  int loaded = 0;
  int failed = 0;
};

void ParseGuarded(const std::string& bytes, XmlEncoding encoding, Tally& tally) {
  GuardedBuffer input(bytes);
  ASSERT_TRUE(input.Ok());
  CXmlDocument document;
  guardArrays = true;
  const bool loaded = document.LoadFromMem(input.Data(), input.Size(), encoding);
  guardArrays = false;
  if (loaded) {
    ++tally.loaded;
    Walk(document.GetRoot());
  } else {
    ++tally.failed;
    EXPECT_EQ(kParserMessages.count(document.GetLastErrorMessage()), 1u) << bytes;
    EXPECT_FALSE(document.IsValid());
  }
}

std::string Utf16Le(const std::string& bytes) {
  std::string out = "\xFF\xFE";
  for (char c : bytes) {
    out += c;
    out += '\0';
  }
  return out;
}

bool FollowedByNoAccessPage(const void* end) {
  MEMORY_BASIC_INFORMATION info = {};
  return ::VirtualQuery(end, &info, sizeof info) != 0 && info.Protect == PAGE_NOACCESS;
}

TEST(XmlMutation, ParserBufferAndInputEndAtAGuardPage) {
  const std::string text = "<A b=\"c\"/>";
  GuardedBuffer input(text);
  EXPECT_TRUE(FollowedByNoAccessPage(input.Data() + input.Size()));
  // The parser's own text must be the guarded allocation, ending at the page:
  // its element name points into it.
  CXmlDocument document;
  guardArrays = true;
  const bool loaded = document.LoadFromMem(input.Data(), input.Size(), XmlEncoding::Utf8);
  guardArrays = false;
  ASSERT_TRUE(loaded);
  const wchar_t* name = document.GetRoot().GetName();
  const GuardedBlock* holder = nullptr;
  for (const GuardedBlock& block : guardedBlocks) {
    const char* start = static_cast<const char*>(block.start);
    if (start != nullptr && reinterpret_cast<const char*>(name) >= start &&
        reinterpret_cast<const char*>(name) < start + block.size) {
      holder = &block;
    }
  }
  ASSERT_NE(holder, nullptr) << "the parsed text is not in a guarded block";
  EXPECT_TRUE(FollowedByNoAccessPage(static_cast<const char*>(holder->start) + holder->size));
}

TEST(XmlMutation, DamagedSkinsNeverReadOrWriteOutsideTheirBuffers) {
  const int allocationsBefore = guardedAllocations;
  const char inserts[] = "\"<>/&='!?-;";
  Random random{20240601u};
  for (const wchar_t* file : {L"MainWindow.xml", L"MessageBox.xml"}) {
    const std::string skin = SkinMember(file);
    ASSERT_FALSE(skin.empty());
    Tally tally;
    ParseGuarded(skin, XmlEncoding::Utf8, tally);
    ASSERT_EQ(tally.loaded, 1) << "the skin itself must parse";

    // Every truncation.
    for (size_t length = 0; length < skin.size(); ++length) {
      ParseGuarded(skin.substr(0, length), XmlEncoding::Utf8, tally);
    }
    // Flipped bits, inserted quotes, brackets and entity starts, deletions.
    for (int i = 0; i < 1500; ++i) {
      std::string damaged = skin;
      const int edits = 1 + static_cast<int>(random.Next() % 3);
      for (int e = 0; e < edits; ++e) {
        const size_t at = random.Next() % damaged.size();
        switch (random.Next() % 4) {
          case 0:
            damaged[at] = static_cast<char>(damaged[at] ^ (1 << (random.Next() % 8)));
            break;
          case 1:
            damaged.insert(at, 1, inserts[random.Next() % (sizeof inserts - 1)]);
            break;
          case 2:
            damaged.erase(at, 1);
            break;
          default:
            damaged[at] = static_cast<char>(random.Next() & 0xFF);
            break;
        }
      }
      ParseGuarded(damaged, XmlEncoding::Utf8, tally);
      if (i % 10 == 0) ParseGuarded(Utf16Le(damaged.substr(0, damaged.size() - i % 7)), XmlEncoding::Utf16, tally);
    }
    // Both outcomes must occur, or the loop tested nothing.
    EXPECT_GT(tally.loaded, 100);
    EXPECT_GT(tally.failed, 1000);
  }
  // Every load put the parser's text in a guarded block.
  EXPECT_GT(guardedAllocations - allocationsBefore, 6000);
}

TEST(ZipMutation, DamagedPackagesNeverReadOutsideTheArchive) {
  const std::string package = SkinPackageBytes();
  ASSERT_FALSE(package.empty());
  Random random{77u};
  int opened = 0, rejected = 0, read = 0;
  const wchar_t* names[] = {L"MainWindow.xml", L"MessageBox.xml", L"img/pic_bg.png", L"img/buttonA.png", L"img/"};
  // What each member really holds: a read that reports success must give these bytes.
  std::map<std::wstring, std::string> real;
  {
    std::unique_ptr<DuiLib::CZipArchive> archive =
        DuiLib::CZipArchive::OpenMemory(reinterpret_cast<const BYTE*>(package.data()), package.size());
    ASSERT_TRUE(archive);
    for (const wchar_t* name : names) {
      DuiLib::ZipMemberInfo info;
      ASSERT_TRUE(archive->FindMember(name, info));
      std::string bytes(info.uncompressedSize, '\0');
      ASSERT_NE(archive->Extract(info, bytes.empty() ? nullptr : &bytes[0], bytes.size()),
                DuiLib::ZipExtractResult::Error);
      real[name] = bytes;
    }
  }
  for (int i = 0; i < 2000; ++i) {
    std::string damaged = package;
    if (i % 5 == 0) {
      damaged.resize(random.Next() % damaged.size());
    } else {
      // Aim most damage at the headers near the end, where the directory is.
      for (int e = 0; e < 3; ++e) {
        const size_t span = (i % 2 == 0) ? damaged.size() : std::min<size_t>(damaged.size(), 700);
        const size_t at = damaged.size() - 1 - random.Next() % span;
        damaged[at] = static_cast<char>(random.Next() & 0xFF);
      }
    }
    GuardedBuffer input(damaged);
    std::unique_ptr<DuiLib::CZipArchive> archive = DuiLib::CZipArchive::OpenMemory(input.Data(), input.Size());
    if (!archive) {
      ++rejected;
      continue;
    }
    ++opened;
    for (const wchar_t* name : names) {
      DuiLib::ZipMemberInfo info;
      if (!archive->FindMember(name, info) || info.uncompressedSize > (1u << 20)) continue;
      void* base = nullptr;
      void* out = GuardedBuffer::AllocateGuarded(info.uncompressedSize, &base);
      UniqueVirtualMemory owner(base);
      ASSERT_NE(out, nullptr);
      if (archive->Extract(info, out, info.uncompressedSize) == DuiLib::ZipExtractResult::Finished) {
        ++read;
        EXPECT_EQ(std::string(static_cast<const char*>(out), info.uncompressedSize), real[name]) << i;
      }
    }
  }
  EXPECT_GT(opened, 100);
  EXPECT_GT(rejected, 100);
  EXPECT_GT(read, 100);
}

}  // namespace

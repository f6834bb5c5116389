#include "launcher/extract/SevenZipArchive.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/extract/SevenZipExtractor.h"
#include "tests/extract/ExtractTestSupport.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

using namespace SevenZip;

namespace {

// The real archive, but remembering which handler each attempt asked for.
class RecordingArchive : public SevenZipArchive {
 public:
  std::vector<ArchiveFormat> asked;
  ArchiveFormat Current() const { return CurrentFormat(); }

 protected:
  ComPtr<IInArchive> CreateHandler(HRESULT* result) const override {
    const_cast<RecordingArchive*>(this)->asked.push_back(CurrentFormat());
    return SevenZipArchive::CreateHandler(result);
  }
};

const std::vector<ArchiveFormat> kFixedOrder = {Format7z, FormatLzma86, FormatLzma, FormatCab, FormatZip};

}  // namespace

struct DetectionCase {
  const wchar_t* archive;
  bool found;
  ArchiveFormat format;
  std::vector<ArchiveFormat> tried;
};

class DetectionOrder : public ::testing::TestWithParam<DetectionCase> {};

TEST_P(DetectionOrder, TriesHandlersInFixedOrderUntilOneOpens) {
  const DetectionCase& c = GetParam();
  RecordingArchive archive;
  archive.SetPath(ArchivePath(c.archive));
  EXPECT_EQ(archive.DetectFormat(), c.found);
  EXPECT_EQ(archive.asked, c.tried);
  EXPECT_EQ(archive.Current(), c.format);
}

INSTANTIATE_TEST_SUITE_P(
    Packages, DetectionOrder,
    ::testing::Values(DetectionCase{L"nested.7z", true, Format7z, {Format7z}},
                      DetectionCase{L"payload.lzma", true, FormatLzma, {Format7z, FormatLzma86, FormatLzma}},
                      DetectionCase{L"package.cab", true, FormatCab, {Format7z, FormatLzma86, FormatLzma, FormatCab}},
                      DetectionCase{L"nested.zip", true, FormatZip, kFixedOrder},
                      DetectionCase{L"infozip.zip", true, FormatZip, kFixedOrder},
                      // A cabinet with a zip behind it: cab comes before zip.
                      DetectionCase{
                          L"cab-then-zip.bin", true, FormatCab, {Format7z, FormatLzma86, FormatLzma, FormatCab}},
                      DetectionCase{L"not-an-archive.bin", false, FormatUnknown, kFixedOrder},
                      DetectionCase{L"truncated.7z", false, FormatUnknown, kFixedOrder},
                      DetectionCase{L"prefixed.7z", false, FormatUnknown, kFixedOrder},
                      DetectionCase{L"encrypted-names.7z", false, FormatUnknown, kFixedOrder}));

TEST(Detection, SecondDetectionTriesTheDetectedFormatFirst) {
  struct Case {
    const wchar_t* archive;
    ArchiveFormat format;
  } cases[] = {{L"nested.zip", FormatZip}, {L"package.cab", FormatCab}, {L"payload.lzma", FormatLzma}};
  for (const Case& c : cases) {
    RecordingArchive archive;
    archive.SetPath(ArchivePath(c.archive));
    ASSERT_TRUE(archive.DetectFormat());
    archive.asked.clear();
    EXPECT_TRUE(archive.DetectFormat());
    EXPECT_EQ(archive.asked, std::vector<ArchiveFormat>{c.format}) << c.archive;
  }
}

TEST(Detection, AFormatSetBeforehandComesFirstThenTheFixedOrder) {
  RecordingArchive archive;
  archive.SetPath(ArchivePath(L"nested.zip"));
  archive.SetFormat(FormatCab);
  EXPECT_TRUE(archive.DetectFormat());
  EXPECT_EQ(archive.asked, (std::vector<ArchiveFormat>{FormatCab, Format7z, FormatLzma86, FormatLzma, FormatZip}));
}

TEST(Detection, AfterAFailedDetectionTheFixedOrderAppliesAgain) {
  RecordingArchive archive;
  archive.SetPath(ArchivePath(L"not-an-archive.bin"));
  EXPECT_FALSE(archive.DetectFormat());
  archive.asked.clear();
  EXPECT_FALSE(archive.DetectFormat());
  EXPECT_EQ(archive.asked, kFixedOrder);
}

TEST(Detection, AMissingFileAsksNoHandlerAndKeepsTheFormat) {
  RecordingArchive archive;
  archive.SetPath(L"C:\\no such dir\\package.7z");
  archive.SetFormat(FormatCab);
  EXPECT_FALSE(archive.DetectFormat());
  EXPECT_TRUE(archive.asked.empty());
  EXPECT_EQ(archive.Current(), FormatCab);
}

struct ListingCase {
  const wchar_t* archive;
  std::vector<std::wstring> names;  // sorted
};

class Listing : public ::testing::TestWithParam<ListingCase> {};

TEST_P(Listing, ItemNamesAreTheArchivePathsDirectoriesIncluded) {
  const ListingCase& c = GetParam();
  SevenZipArchive archive;
  EXPECT_TRUE(archive.SetPath(ArchivePath(c.archive)));
  std::vector<std::wstring> names = archive.ItemNames();
  EXPECT_EQ(Sorted(names), c.names);
  EXPECT_EQ(archive.ItemCount(), c.names.size());
  EXPECT_EQ(archive.ItemSizes().size(), c.names.size());
}

const std::vector<std::wstring> kNestedItems = {
    L"a", L"a\\b", L"a\\b\\c", L"a\\b\\c\\deep.txt", L"a\\empty", L"a\\说明.txt", L"bin", L"bin\\core.dll", L"top.txt"};

INSTANTIATE_TEST_SUITE_P(
    Packages, Listing,
    ::testing::Values(ListingCase{L"nested.7z", kNestedItems}, ListingCase{L"nested.zip", kNestedItems},
                      ListingCase{L"empty.7z", {}},
                      // Readable names with encrypted data list; encrypted names do not.
                      ListingCase{L"encrypted-data.7z", {L"bin", L"bin\\core.dll", L"top.txt"}},
                      ListingCase{L"encrypted-names.7z", {}}, ListingCase{L"encrypted.zip", {L"top.txt"}},
                      // Info-ZIP's "/" separated names arrive with "\".
                      ListingCase{L"infozip.zip",
                                  {L"docs", L"docs\\guide", L"docs\\guide\\intro.txt", L"docs\\readonly.txt"}},
                      ListingCase{L"package.cab", {L"one.txt", L"two.txt"}},
                      // A lzma stream's single item has no path.
                      ListingCase{L"payload.lzma", {L""}}, ListingCase{L"not-an-archive.bin", {}},
                      ListingCase{L"truncated.7z", {}}, ListingCase{L"dotdot.zip", {L"..\\evil.txt", L"ok.txt"}}));

TEST(Listing, ArchiveOrderIsKept) {
  SevenZipArchive archive;
  archive.SetPath(ArchivePath(L"ordered.zip"));
  EXPECT_EQ(archive.ItemNames(),
            (std::vector<std::wstring>{L"first.txt", L"new", L"new\\second.txt", L"third.txt", L"last.txt"}));
}

TEST(Listing, SizesAreTheUnpackedSizesOfEachFormat) {
  struct Case {
    const wchar_t* archive;
    std::wstring item;
    UINT32 size;
  } cases[] = {{L"nested.7z", L"a\\b\\c\\deep.txt", 9},
               {L"nested.zip", L"top.txt", 3},
               {L"package.cab", L"two.txt", 7},
               {L"infozip.zip", L"docs\\readonly.txt", 7},
               {L"payload.lzma", L"", 0}};
  for (const Case& c : cases) {
    SevenZipArchive archive;
    archive.SetPath(ArchivePath(c.archive));
    std::vector<std::wstring> names = archive.ItemNames();
    std::vector<UINT32> sizes = archive.ItemSizes();
    ASSERT_EQ(names.size(), sizes.size());
    bool found = false;
    for (size_t i = 0; i < names.size(); ++i) {
      if (names[i] == c.item) {
        found = true;
        EXPECT_EQ(sizes[i], c.size) << c.archive;
      }
    }
    EXPECT_TRUE(found) << c.archive;
  }
}

TEST(Listing, AFailedLoadIsTriedAgainAtTheNextCall) {
  TempDir dir(L"reload");
  SevenZipArchive archive;
  archive.SetPath(dir / L"late.7z");
  EXPECT_TRUE(archive.ItemNames().empty());
  ASSERT_TRUE(CopyInto(ArchivePath(L"nested.7z"), dir / L"late.7z"));
  EXPECT_EQ(Sorted(archive.ItemNames()), kNestedItems);
  EXPECT_EQ(archive.Format(), Format7z);
}

TEST(Listing, LoadFailsWhenDetectionFailsEvenThoughTheListIsRead) {
  // Detection looks at the start of the file only; reading the list lets the
  // 7z handler (that of FormatUnknown) search, and it finds the archive.
  SevenZipArchive archive;
  archive.SetPath(ArchivePath(L"prefixed.7z"));
  EXPECT_FALSE(archive.Load());
  EXPECT_EQ(archive.Format(), FormatUnknown);
  EXPECT_EQ(Sorted(archive.ItemNames()), kNestedItems);
  // Set explicitly, there is no detection to fail.
  archive.SetFormat(Format7z);
  EXPECT_TRUE(archive.Load());
}

TEST(Listing, SetFormatForgetsTheListAndUsesThatHandler) {
  SevenZipArchive archive;
  archive.SetPath(ArchivePath(L"nested.zip"));
  EXPECT_EQ(archive.ItemCount(), kNestedItems.size());
  // Set explicitly, the format is used without detection, even when its
  // handler refuses the file.
  archive.SetFormat(Format7z);
  EXPECT_EQ(archive.Format(), Format7z);
  EXPECT_FALSE(archive.Load());
  archive.SetFormat(FormatZip);
  EXPECT_EQ(Sorted(archive.ItemNames()), kNestedItems);
}

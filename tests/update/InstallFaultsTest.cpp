// InstallPackage and the start-up pass against hostile or awkward packages
// and pending-deletion files: real packages made by the real tools, real
// installations on disk, checked byte by byte inside and beside them.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>

#include "base/UniqueFindHandle.h"
#include "base/UniqueHandle.h"
#include "launcher/update/PendingList.h"
#include "launcher/update/UpdateSession.h"
#include "tests/support/Files.h"
#include "tests/support/InstallTree.h"
#include "tests/support/TempDir.h"

using namespace Launcher;

namespace {

// Installs the test package `package` into the installation `root`, from a
// copy beside the installation's files, as the worker downloads it.
bool InstallCopy(const std::wstring& root, const std::wstring& package) {
  EXPECT_TRUE(CopyInto(TestBinDirectory() + L"packages\\" + package, root + package));
  return InstallPackage(Installation(root), package).ok();
}

struct PackageCase {
  const char* what;
  const wchar_t* package;
  Tree before;
  bool installs;
  Tree after;  // the whole installation afterwards (the package file excluded)
};

void RunCases(const PackageCase* begin, const PackageCase* end) {
  for (const PackageCase* c = begin; c != end; ++c) {
    TempDir outer;
    const std::wstring root = outer / L"product\\";
    ASSERT_TRUE(MakeDirectories(root));
    ASSERT_TRUE(WriteBytes(outer / L"victim.txt", "beside"));
    Lay(root, c->before);
    EXPECT_EQ(InstallCopy(root, c->package), c->installs) << c->what;
    Tree after = Read(root);
    if (!c->installs) {
      EXPECT_EQ(after[c->package], ReadBytes(TestBinDirectory() + L"packages\\" + c->package)) << c->what;
    }
    after.erase(c->package);
    EXPECT_EQ(Describe(after), Describe(c->after)) << c->what;
    EXPECT_EQ(Describe(Read(outer.Path())), Describe([&] {
                Tree all{{L"victim.txt", "beside"}, {L"product", kDirectory}};
                for (const auto& [name, bytes] : Read(root)) all[L"product\\" + name] = bytes;
                return all;
              }()))
        << c->what;
  }
}

// Item paths the package writes are never set-aside names: neither the new
// "_core.dll" nor, after a damaged member, the old "core.dll" may be lost.
TEST(InstallPackage, SetAsideNamesAvoidThePackagesOwnItems) {
  const PackageCase cases[] = {
      {"installs",
       L"collide.zip",
       {{L"core.dll", "old core"}},
       true,
       {{L"_core.dll", "new underscore"}, {L"core.dll", "new core"}}},
      {"damaged last member", L"collide-damaged.zip", {{L"core.dll", "old core"}}, false, {{L"core.dll", "old core"}}},
      {"an older set-aside file stays",
       L"collide.zip",
       {{L"core.dll", "old core"}, {L"__core.dll", "older"}},
       true,
       {{L"_core.dll", "new underscore"}, {L"core.dll", "new core"}, {L"__core.dll", "older"}}},
  };
  RunCases(std::begin(cases), std::end(cases));
}

// Names that differ only in letter case are one name, as Windows compares
// them: a set-aside name never takes a package item's name in another case,
// and a name "temp" lists for deletion is forgotten once the package writes
// it in another case.
TEST(InstallPackage, NamesDifferingInCaseAreOneName) {
  const PackageCase cases[] = {
      {"set-aside name is an item in another case",
       L"collide-case.zip",
       {{L"core.dll", "old core"}},
       true,
       {{L"_CORE.DLL", "new underscore"}, {L"core.dll", "new core"}}},
      {"and the package fails",
       L"collide-case-damaged.zip",
       {{L"core.dll", "old core"}},
       false,
       {{L"core.dll", "old core"}}},
  };
  RunCases(std::begin(cases), std::end(cases));

  TempDir dir;
  Lay(dir.Path(), {{L"bin\\core.dll", "old core"}, {L"temp", "bin\\core.dll"}});
  ASSERT_TRUE(InstallCopy(dir.Path(), L"upper.zip"));
  ProcessPendingDeletions(Installation(dir.Path()));
  EXPECT_EQ(Describe(Read(dir.Path())), Describe({{L"bin", kDirectory}, {L"bin\\CORE.DLL", "new core"}}));
}

// A file set aside inside a directory that is set aside after it: undoing
// must put the directory back first, then the file into it.
TEST(InstallPackage, NestedSetAsideComesBackWhole) {
  const PackageCase cases[] = {
      {"fails after both moves",
       L"nested-blocked.zip",
       {{L"data\\cfg.ini", "old cfg"}, {L"data\\user.ini", "user"}, {L"blocked", "a file"}},
       false,
       {{L"data", kDirectory}, {L"data\\cfg.ini", "old cfg"}, {L"data\\user.ini", "user"}, {L"blocked", "a file"}}},
  };
  RunCases(std::begin(cases), std::end(cases));
}

// A 7z deletion marker removes the installed file; it never becomes an empty
// file, and a failed update puts the file back.
TEST(InstallPackage, DeletionMarkersRemoveTheInstalledFile) {
  const PackageCase cases[] = {
      {"installs",
       L"drops-tool.7z",
       {{L"top.txt", "old top"}, {L"bin\\tool.dll", "old tool"}, {L"bin\\core.dll", "old core"}},
       true,
       {{L"top.txt", "new top"}, {L"bin", kDirectory}, {L"bin\\core.dll", "old core"}}},
      {"fails later",
       L"drops-tool-blocked.7z",
       {{L"top.txt", "old top"}, {L"bin\\tool.dll", "old tool"}, {L"blocked", "a file"}},
       false,
       {{L"top.txt", "old top"}, {L"bin", kDirectory}, {L"bin\\tool.dll", "old tool"}, {L"blocked", "a file"}}},
  };
  RunCases(std::begin(cases), std::end(cases));
}

// A directory item that cannot be created fails the installation.
TEST(InstallPackage, DirectoryThatCannotBeCreatedFails) {
  const PackageCase cases[] = {
      {"a file holds a parent's name",
       L"blocked-directory.zip",
       {{L"top.txt", "old top"}, {L"a", "a file"}},
       false,
       {{L"top.txt", "old top"}, {L"a", "a file"}}},
  };
  RunCases(std::begin(cases), std::end(cases));
}

// A read-only file the failed extraction wrote is removed all the same.
TEST(InstallPackage, RollbackRemovesReadOnlyFilesItWrote) {
  const PackageCase cases[] = {
      {"read-only member",
       L"readonly-halfway.zip",
       {{L"top.txt", "old top"}, {L"blocked", "a file"}},
       false,
       {{L"top.txt", "old top"}, {L"blocked", "a file"}}},
  };
  RunCases(std::begin(cases), std::end(cases));
}

// A package shipping "temp" could have the next start delete anything.
TEST(InstallPackage, PackageShippingThePendingDeletionFileIsRefused) {
  const PackageCase cases[] = {
      {"ships temp", L"ships-temp.zip", {{L"top.txt", "old top"}}, false, {{L"top.txt", "old top"}}},
  };
  RunCases(std::begin(cases), std::end(cases));
}

// A member spelled as the short alias of VxSpeedUp.exe must not move the
// product away under the alias.
TEST(InstallPackage, ShortAliasOfAnInstalledFileIsRefused) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir / L"VxSpeedUp.exe", "old product"));
  // The file's own short name, read from its directory: GetShortPathNameW
  // would walk the temp folder's short names too, and those collide when
  // many test folders sit in it.
  WIN32_FIND_DATAW found;
  ASSERT_TRUE(UniqueFindHandle(::FindFirstFileW((dir / L"VxSpeedUp.exe").c_str(), &found)));
  const std::wstring alias(found.cAlternateFileName);
  ASSERT_NE(alias, L"VxSpeedUp.exe");
  ASSERT_EQ(alias.size(), 12u) << Narrow(alias);
  ASSERT_TRUE(FileExists(dir / alias));  // the alias reaches the product

  std::string zip = ReadBytes(TestBinDirectory() + L"packages\\alias.zip");
  const std::string placeholder = "ALIAS___.EXE";
  for (size_t at = zip.find(placeholder); at != std::string::npos; at = zip.find(placeholder, at)) {
    zip.replace(at, placeholder.size(), Narrow(alias));
  }
  ASSERT_TRUE(WriteBytes(dir / L"alias.zip", zip));
  const Status refused = InstallPackage(Installation(dir.Path()), L"alias.zip");
  EXPECT_FALSE(refused.ok());
  // The gate finds the alias is not the name it says; the cause names the
  // check that refused the package and the item.
  EXPECT_TRUE(refused.Is(Status::Kind::LeadsElsewhere)) << refused.ToString();
  EXPECT_STREQ(refused.call(), "ReachesThroughLink") << refused.ToString();
  EXPECT_EQ(refused.subject(), alias);
  EXPECT_EQ(Describe(Read(dir.Path())), Describe({{L"VxSpeedUp.exe", "old product"}, {L"alias.zip", zip}}));
}

// When the rollback cannot put a set-aside file back (here it is held open
// without delete sharing), the file stays and is listed as a restore entry;
// the next start puts it back.
TEST(InstallPackage, RollbackThatCannotRestoreLeavesItToTheNextStart) {
  TempDir dir;
  Lay(dir.Path(), {{L"top.txt", "old top"}, {L"blocked", "a file"}});
  std::atomic<bool> done{false};
  UniqueHandle held;
  std::thread holder([&] {
    while (!done && !held) {
      const HANDLE h = ::CreateFileW((dir / L"_top.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h != INVALID_HANDLE_VALUE) held.Reset(h);
    }
  });
  const bool installed = InstallCopy(dir.Path(), L"slow-halfway.zip");
  done = true;
  holder.join();
  EXPECT_FALSE(installed);
  ASSERT_TRUE(held) << "the set-aside file was never seen";
  // Not back, never deleted, listed for the next start.
  EXPECT_EQ(ReadBytes(dir / L"_top.txt"), "old top");
  EXPECT_FALSE(PathExists(dir / L"top.txt"));
  EXPECT_EQ(ReadBytes(dir / L"temp"), "_top.txt>top.txt");
  held.Reset();

  ProcessPendingDeletions(Installation(dir.Path()));
  EXPECT_EQ(Describe(Read(dir.Path())), Describe({{L"top.txt", "old top"},
                                                  {L"blocked", "a file"},
                                                  {L"slow-halfway.zip", ReadBytes(dir / L"slow-halfway.zip")}}));
}

// Full paths near MAX_PATH: an item or set-aside path of MAX_PATH characters
// or more refuses the package before anything moves; one character less
// installs. The installation's own path is padded to the length each row needs.
TEST(InstallPackage, FullPathsOfMaxPathCharactersAreRefusedUntouched) {
  const Tree old{{L"top.txt", "old top"}, {L"bin", kDirectory}, {L"bin\\core.dll", "old core"}};
  const Tree installed{{L"top.txt", "new top"},          {L"bin", kDirectory},  {L"bin\\core.dll", "new core"},
                       {L"bin\\extra.dll", "brand new"}, {L"docs", kDirectory}, {L"docs\\readme.txt", "更新说明"}};
  Tree oldWithReadme = old;
  oldWithReadme[L"docs"] = kDirectory;
  oldWithReadme[L"docs\\readme.txt"] = "old readme";
  const struct {
    const char* what;
    size_t longest;  // characters of the longest full path the update needs
    Tree before;
    bool installs;
    Tree after;
  } cases[] = {
      {"docs\\readme.txt one below", MAX_PATH - 1, old, true, installed},
      {"docs\\readme.txt at the limit", MAX_PATH, old, false, old},
      // docs\_readme.txt, the set-aside name, is one longer than the item.
      {"set-aside name at the limit", MAX_PATH, oldWithReadme, false, oldWithReadme},
  };
  const std::wstring longestItem = L"docs\\readme.txt";
  for (const auto& c : cases) {
    TempDir outer;
    const size_t itemLength = c.longest - (c.before.count(longestItem) ? 1 : 0);
    const size_t padding = itemLength - longestItem.size() - outer.Path().size() - 1;
    const std::wstring root = outer.Path() + std::wstring(padding, L'p') + L"\\";
    ASSERT_EQ(root.size() + longestItem.size(), itemLength) << c.what;
    ASSERT_TRUE(MakeDirectories(root)) << c.what;
    Lay(root, c.before);
    EXPECT_EQ(InstallCopy(root, L"update_2.1.7z"), c.installs) << c.what;
    Tree after = Read(root);
    EXPECT_EQ(after.count(L"update_2.1.7z"), c.installs ? 0u : 1u) << c.what;
    after.erase(L"update_2.1.7z");
    EXPECT_EQ(Describe(after), Describe(c.after)) << c.what;
  }
}

struct PendingCase {
  const char* what;
  std::string temp;
  Tree before;  // inside the installation, besides "temp"
  Tree after;   // inside the installation afterwards, "temp" included when it stays
};

// `tree` with the "temp" list left holding `text`.
Tree WithTemp(Tree tree, const std::string& text) {
  tree[L"temp"] = text;
  return tree;
}

// Restore entries that would put another program in the product's place,
// and entries naming the launcher's files in any letter case: the product
// stays, nothing moves, the entries stay listed for a person to see.
TEST(ProcessPendingDeletions, NeverReplacesOrDeletesTheProductOrItsOwnFiles) {
  const Tree product{{L"VxSpeedUp.exe", "product"}, {L"evil.exe", "evil"}};
  Tree withJournal = product;
  withJournal[L"update.journal"] = "record";
  Tree productGone{{L"_VxSpeedUp.exe", "evil"}, {L"evil.exe", "evil"}};
  Tree journalLeft = withJournal;
  journalLeft.erase(L"evil.exe");
  const PendingCase cases[] = {
      {"delete the product, restore over it", "VxSpeedUp.exe|evil.exe>VxSpeedUp.exe", product,
       WithTemp(product, "VxSpeedUp.exe|evil.exe>VxSpeedUp.exe")},
      {"move the product away, restore over it", "VxSpeedUp.exe>gone.exe|evil.exe>VxSpeedUp.exe", product,
       WithTemp(product, "VxSpeedUp.exe>gone.exe|evil.exe>VxSpeedUp.exe")},
      {"the product in another case", "vxspeedup.EXE", product, WithTemp(product, "vxspeedup.EXE")},
      {"a set-aside form in the product's place", "_VxSpeedUp.exe>VxSpeedUp.exe", productGone,
       WithTemp(productGone, "_VxSpeedUp.exe>VxSpeedUp.exe")},
      {"own files in another case", "UPDATE.JOURNAL|Temp.New|evil.exe", withJournal,
       WithTemp(journalLeft, "UPDATE.JOURNAL|Temp.New")},
      {"restore of another form",
       "bin\\x.dll>bin\\core.dll|_a\\b.dll>b.dll",
       {{L"bin\\x.dll", "x"}, {L"_a\\b.dll", "b"}},
       {{L"bin", kDirectory},
        {L"bin\\x.dll", "x"},
        {L"_a", kDirectory},
        {L"_a\\b.dll", "b"},
        {L"temp", "bin\\x.dll>bin\\core.dll|_a\\b.dll>b.dll"}}},
      {"the set-aside form goes back",
       "bin\\__core.dll>bin\\core.dll",
       {{L"bin\\__core.dll", "old"}},
       {{L"bin", kDirectory}, {L"bin\\core.dll", "old"}}},
  };
  for (const PendingCase& c : cases) {
    TempDir outer;
    const std::wstring root = outer / L"product\\";
    ASSERT_TRUE(MakeDirectories(root));
    Lay(root, c.before);
    ASSERT_TRUE(WriteBytes(root + L"temp", c.temp));
    ProcessPendingDeletions(Installation(root));
    EXPECT_EQ(Describe(Read(root)), Describe(c.after)) << c.what;
  }
}

// The start-up pass over crafted pending-deletion files: "victim.txt" beside
// the installation must survive whatever the file says.
TEST(ProcessPendingDeletions, ActsOnlyInsideTheInstallation) {
  // "_a.dll|" and these empty names make one byte more than a list may hold.
  const std::string big(64 * 1024 + 1 - 7, '|');
  const PendingCase cases[] = {
      {"parent", "..\\victim.txt", {}, {}},
      {"parent inside", "sub\\..\\..\\victim.txt|_a.dll", {{L"_a.dll", "a"}}, {}},
      {"dots and blank", ".. \\victim.txt", {}, {}},
      {"absolute", "\\victim.txt", {}, {}},
      {"drive", "C:victim.txt", {}, {}},
      {"empty names", "||_a.dll", {{L"_a.dll", "a"}}, {}},
      {"restore out", "_a.dll>..\\moved.txt", {{L"_a.dll", "a"}}, {{L"_a.dll", "a"}}},
      {"restore in", "..\\victim.txt>stolen.txt", {}, {}},
      // Read-only files and set-aside directories are deleted, contents and all.
      {"read-only and directories",
       "_ro.dll|_data",
       {{L"_ro.dll", "ro"}, {L"_data\\user.ini", "u"}, {L"_data\\deep\\x.bin", "x"}, {L"keep.txt", "k"}},
       {{L"keep.txt", "k"}}},
      // Too large for a list of names: left alone, nothing deleted.
      {"oversized", "_a.dll|" + big, {{L"_a.dll", "a"}}, {{L"_a.dll", "a"}, {L"temp", "_a.dll|" + big}}},
      {"largest readable", "_a.dll|" + big.substr(1), {{L"_a.dll", "a"}}, {}},
      // Far above the cap: a cap raised to a few MiB would read it.
      {"far above the cap",
       "_a.dll|" + std::string(4 << 20, '|'),
       {{L"_a.dll", "a"}},
       {{L"_a.dll", "a"}, {L"temp", "_a.dll|" + std::string(4 << 20, '|')}}},
      // A lost write leaves zeros: what is left of "bin\\_core.dll" would
      // name the whole directory.
      {"tail of zeros",
       std::string("_a.dll|bin\\\0\0\0\0", 15),
       {{L"_a.dll", "a"}, {L"bin\\keep.dll", "k"}},
       {{L"_a.dll", "a"},
        {L"bin", kDirectory},
        {L"bin\\keep.dll", "k"},
        {L"temp", std::string("_a.dll|bin\\\0\0\0\0", 15)}}},
  };
  for (const PendingCase& c : cases) {
    TempDir outer;
    const std::wstring root = outer / L"product\\";
    ASSERT_TRUE(MakeDirectories(root));
    ASSERT_TRUE(WriteBytes(outer / L"victim.txt", "beside"));
    Lay(root, c.before);
    ASSERT_TRUE(WriteBytes(root + L"temp", c.temp));
    if (c.before.count(L"_ro.dll")) {
      ASSERT_TRUE(SetFileAttributesW((root + L"_ro.dll").c_str(), FILE_ATTRIBUTE_READONLY));
    }
    if (c.before.count(L"_data\\user.ini")) {
      ASSERT_TRUE(SetFileAttributesW((root + L"_data\\user.ini").c_str(), FILE_ATTRIBUTE_READONLY));
    }
    ProcessPendingDeletions(Installation(root));
    Tree expected = c.after;
    EXPECT_EQ(Describe(Read(root)), Describe(expected)) << c.what;
    EXPECT_EQ(ReadBytes(outer / L"victim.txt"), "beside") << c.what;
    EXPECT_EQ(Read(outer.Path()).size(), Read(root).size() + 2) << c.what;  // victim.txt and product only
  }
}

}  // namespace

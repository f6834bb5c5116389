// An updating process killed at every step of the installation (and at
// moments picked while it unpacks), then the next start's repair: the
// installation is exactly the old one or exactly the new one, file by file,
// and nothing beside it changed. The updating process is install_child,
// ended with TerminateProcess from here, as a crash or a lost power would end
// it: no destructor, no flush.
#include <windows.h>

#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <string>

#include "base/UniqueFindHandle.h"
#include "base/UniqueHandle.h"
#include "launcher/update/UpdateJournal.h"
#include "launcher/update/UpdateRepair.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Files.h"
#include "tests/support/InstallTree.h"
#include "tests/support/TempDir.h"

using namespace Launcher;

namespace {

constexpr long kNoStop = 1000;

struct KillOutcome {
  bool killed = false;     // false: the installation ran to its end first
  long installResult = 0;  // its exit code then
  std::string step;        // the step it was killed after
  Tree beforeRepair;
  int repair = -1;  // RepairOutcome
  Tree after;
  Tree beside;  // the folder holding the installation, the installation left out
};

std::wstring Quoted(const std::wstring& text) {
  return L"\"" + text + L"\"";
}

size_t CountFiles(const std::wstring& pattern) {
  size_t count = 0;
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(::FindFirstFileW(pattern.c_str(), &data));
  if (!find) return 0;
  do {
    ++count;
  } while (::FindNextFileW(find.Get(), &data));
  return count;
}

// Lays `old` and the package in a fresh installation, installs in a child
// that stops at step `stopAt`, kills it there (or, with `unpacked` >= 0, lets
// it unpack and kills it once `unpacked` files match `pattern`), then runs
// the repair in a new process.
KillOutcome KillAndRepair(const Tree& old, const std::wstring& package, long stopAt, long unpacked = -1,
                          const std::wstring& pattern = L"") {
  static int serial = 0;
  KillOutcome outcome;
  TempDir outer(L"kill 更新");
  TempDir logs;
  const std::wstring rootName = outer / L"product";
  const std::wstring root = rootName + L"\\";
  EXPECT_TRUE(MakeDirectories(root));
  EXPECT_TRUE(WriteBytes(outer / L"victim.txt", "beside"));
  Lay(root, old);
  EXPECT_TRUE(CopyInto(TestBinDirectory() + L"packages\\" + package, root + package));

  const std::wstring event =
      L"Local\\tarvo-kill-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
  UniqueHandle reached(::CreateEventW(nullptr, TRUE, FALSE, event.c_str()));
  UniqueHandle go(::CreateEventW(nullptr, TRUE, FALSE, (event + L"-go").c_str()));
  const std::wstring child = Quoted(TestBinDirectory() + L"install_child.exe");
  ChildProcess installer;
  EXPECT_TRUE(installer.Start(
      child + L" install " + Quoted(rootName) + L" " + package + L" " + std::to_wstring(stopAt) + L" " + event,
      logs / L"install.txt"));
  EXPECT_TRUE(WaitUntil(
      [&] { return ::WaitForSingleObject(reached.Get(), 0) == WAIT_OBJECT_0 || !installer.IsRunning(); }, 60000));
  if (::WaitForSingleObject(reached.Get(), 0) != WAIT_OBJECT_0) {
    outcome.installResult = installer.Wait(60000);
    outcome.after = Read(root);
    return outcome;
  }
  if (unpacked >= 0) {
    ::SetEvent(go.Get());
    while (installer.IsRunning() && CountFiles(root + pattern) < static_cast<size_t>(unpacked)) ::Sleep(1);
  }
  installer.Kill();
  outcome.killed = true;
  const std::string output = ReadBytes(logs / L"install.txt");
  const size_t step = output.find("step:");
  if (step != std::string::npos) outcome.step = output.substr(step + 5, output.find_first_of("\r\n", step) - step - 5);
  outcome.beforeRepair = Read(root);

  ChildProcess repair;
  EXPECT_TRUE(repair.Start(child + L" repair " + Quoted(rootName)));
  outcome.repair = static_cast<int>(repair.Wait(60000));
  outcome.after = Read(root);
  outcome.beside = Read(outer.Path());
  for (auto entry = outcome.beside.begin(); entry != outcome.beside.end();) {
    entry = entry->first.rfind(L"product\\", 0) == 0 ? outcome.beside.erase(entry) : std::next(entry);
  }
  return outcome;
}

const Tree kBeside = {{L"victim.txt", "beside"}, {L"product", kDirectory}};

// The paths whose content differs between `a` and `b`, for failure messages
// (the installations hold binary files).
std::string Difference(const Tree& a, const Tree& b) {
  std::string names;
  for (const auto& [name, bytes] : a) {
    const auto other = b.find(name);
    if (other == b.end())
      names += " -" + Narrow(name);
    else if (other->second != bytes)
      names += " ~" + Narrow(name);
  }
  for (const auto& [name, bytes] : b) {
    if (a.count(name) == 0) names += " +" + Narrow(name);
  }
  return names;
}

// Which installation a kill after each step must come back as.
bool EndsNew(const std::string& step) {
  return step == "Committed" || step == "Discarded" || step == "PackageDeleted" || step == "Finished";
}

Tree Without(Tree tree, const std::wstring& name) {
  tree.erase(name);
  return tree;
}

struct Tally {
  std::map<std::string, int> old, fresh, mixedBeforeRepair;
  void Print(const char* what) const {
    std::cout << what << ":";
    for (const auto& [step, count] : old) std::cout << " " << step << " x" << count << " -> old;";
    for (const auto& [step, count] : fresh) std::cout << " " << step << " x" << count << " -> new;";
    for (const auto& [step, count] : mixedBeforeRepair)
      std::cout << " (" << step << ": " << count << " mixed before repair)";
    std::cout << std::endl;
  }
};

// Kills after every step until the installation outruns the stops; returns
// how many kill points were tried.
int KillAtEveryStep(const Tree& old, const Tree& expectedNew, const wchar_t* package, long finalResult, Tally& tally) {
  int tried = 0;
  for (long stop = 0; stop < kNoStop; ++stop) {
    const KillOutcome outcome = KillAndRepair(old, package, stop);
    if (!outcome.killed) {
      EXPECT_EQ(outcome.installResult, finalResult);
      break;
    }
    ++tried;
    const std::string where = "killed after step " + std::to_string(stop) + " (" + outcome.step + ")";
    EXPECT_EQ(outcome.beside, kBeside) << where;
    if (outcome.step == "Downloaded") {
      // Nothing recorded yet: nothing to repair; the next update replaces the package.
      EXPECT_EQ(outcome.repair, static_cast<int>(RepairOutcome::NothingRecorded)) << where;
      EXPECT_TRUE(Without(outcome.after, package) == old) << where << ":" << Difference(old, outcome.after);
      ++tally.old[outcome.step];
    } else if (EndsNew(outcome.step)) {
      EXPECT_EQ(outcome.repair, static_cast<int>(RepairOutcome::Completed)) << where;
      EXPECT_TRUE(outcome.after == expectedNew) << where << ":" << Difference(expectedNew, outcome.after);
      ++tally.fresh[outcome.step];
    } else {
      EXPECT_EQ(outcome.repair, static_cast<int>(RepairOutcome::RolledBack)) << where;
      EXPECT_TRUE(outcome.after == old) << where << ":" << Difference(old, outcome.after);
      ++tally.old[outcome.step];
    }
  }
  return tried;
}

// Installed: the product, top.txt, bin\core.dll and docs\f000-f004.bin, all
// of which many.zip replaces; a leftover bin\_core.dll, bin\keep.dll and the
// user's data\user.cfg, which it does not carry.
Tree ManyOld() {
  Tree old = {{L"VxSpeedUp.exe", "old product"},
              {L"top.txt", "old top"},
              {L"bin", kDirectory},
              {L"bin\\core.dll", "old core"},
              {L"bin\\_core.dll", "older"},
              {L"bin\\keep.dll", "keep"},
              {L"data", kDirectory},
              {L"data\\user.cfg", "user"},
              {L"docs", kDirectory}};
  for (int i = 0; i < 5; ++i) old[L"docs\\f00" + std::to_wstring(i) + L".bin"] = "old f" + std::to_string(i);
  return old;
}

TEST(KillRepair, ManyFilesAtEveryStepAndWhileUnpacking) {
  const Tree old = ManyOld();
  // The new installation, from a run that nobody stops.
  const KillOutcome whole = KillAndRepair(old, L"many.zip", kNoStop);
  ASSERT_FALSE(whole.killed);
  ASSERT_EQ(whole.installResult, 0);
  const Tree expectedNew = whole.after;
  ASSERT_EQ(expectedNew.at(L"VxSpeedUp.exe"), "new product");
  ASSERT_EQ(expectedNew.at(L"bin\\core.dll"), "new core");
  ASSERT_EQ(expectedNew.at(L"bin\\_core.dll"), "older");
  ASSERT_EQ(expectedNew.at(L"data\\user.cfg"), "user");
  ASSERT_EQ(expectedNew.at(L"docs\\更新说明.txt"), "新的说明");
  ASSERT_EQ(expectedNew.size(), old.size() + 1 + 1 + 55);  // extra.dll, the Chinese name, f005-f059
  ASSERT_EQ(expectedNew.count(L"many.zip"), 0u);

  Tally tally;
  const int steps = KillAtEveryStep(old, expectedNew, L"many.zip", 0, tally);
  // Downloaded, Recorded, 8 set-asides, Extracting, Extracted, Committed, Discarded, PackageDeleted,
  // Finished.
  EXPECT_EQ(steps, 16);
  EXPECT_EQ(tally.old["SetAside"], 8);

  // Killed while unpacking, once so many new files are written.
  // Downloaded is step 0, Recorded 1, the set-asides 2-9.
  const long extracting = 10;
  for (const long written : {1, 10, 30, 50, 59}) {
    const KillOutcome outcome = KillAndRepair(old, L"many.zip", extracting, written, L"docs\\f0*.bin");
    ASSERT_TRUE(outcome.killed);
    ASSERT_EQ(outcome.step, "Extracting");
    const std::string where = "killed after " + std::to_string(written) + " unpacked files";
    EXPECT_EQ(outcome.beside, kBeside) << where;
    if (outcome.beforeRepair != old && outcome.beforeRepair != expectedNew &&
        Without(outcome.beforeRepair, L"update.journal") != expectedNew) {
      ++tally.mixedBeforeRepair["Unpacking"];
    }
    // The record says installing until every item is written: a kill that
    // lands before that is rolled back. On a loaded machine the last file
    // and the record's turn to "installed" can beat the kill by a few ms;
    // then the record says so and the repair must finish the update.
    const auto record = outcome.beforeRepair.find(L"update.journal");
    const bool installed =
        record != outcome.beforeRepair.end() && record->second.find("state installed\r\n") != std::string::npos;
    if (installed) {
      EXPECT_EQ(outcome.repair, static_cast<int>(RepairOutcome::Completed)) << where;
      EXPECT_TRUE(outcome.after == expectedNew) << where << ":" << Difference(expectedNew, outcome.after);
      ++tally.fresh["Unpacking"];
    } else {
      EXPECT_EQ(outcome.repair, static_cast<int>(RepairOutcome::RolledBack)) << where;
      EXPECT_TRUE(outcome.after == old) << where << ":" << Difference(old, outcome.after);
      ++tally.old["Unpacking"];
    }
  }
  // The unpacking lasts long enough for at least one kill to land inside it.
  EXPECT_GE(tally.mixedBeforeRepair["Unpacking"], 1);
  tally.Print("many.zip");
}

// A file set aside inside a directory that is set aside after it
// ("data\\cfg.ini", then "data" itself): killed after both moves, the repair
// must put the directory back before the file goes back into it.
TEST(KillRepair, NestedSetAsideAtEveryStep) {
  const Tree old = {{L"VxSpeedUp.exe", "old product"},
                    {L"data", kDirectory},
                    {L"data\\cfg.ini", "old cfg"},
                    {L"data\\user.ini", "user"}};
  const KillOutcome whole = KillAndRepair(old, L"nested.zip", kNoStop);
  ASSERT_FALSE(whole.killed);
  ASSERT_EQ(whole.installResult, 0);
  const Tree expectedNew = whole.after;
  ASSERT_EQ(expectedNew.at(L"data"), "new data");
  Tally tally;
  // Downloaded, Recorded, 2 set-asides, Extracting, Extracted, Committed, Discarded, PackageDeleted,
  // Finished.
  EXPECT_EQ(KillAtEveryStep(old, expectedNew, L"nested.zip", 0, tally), 10);
  EXPECT_EQ(tally.old["SetAside"], 2);
  tally.Print("nested.zip");
}

// A package that fails half-way: killed before, during or after the worker's
// own rollback, the next start still ends with the old installation.
TEST(KillRepair, FailingPackageAtEveryStep) {
  const Tree old = {{L"VxSpeedUp.exe", "old product"}, {L"top.txt", "old top"}, {L"blocked", "a file"}};
  Tally tally;
  const int steps = KillAtEveryStep(old, {}, L"halfway.zip", 1, tally);
  // Downloaded, Recorded, top.txt set aside, Extracting, RolledBack.
  EXPECT_EQ(steps, 5);
  EXPECT_EQ(tally.old["RolledBack"], 1);
  EXPECT_TRUE(tally.fresh.empty());
  tally.Print("halfway.zip");
}

}  // namespace

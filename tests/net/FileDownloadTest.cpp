#include "launcher/net/FileDownload.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "launcher/net/ProgressMessage.h"
#include "tests/net/NetTestPorts.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

using namespace Launcher;

namespace {

constexpr UINT kSentinel = WM_APP + 1;

// A real window on a thread of its own that records every WM_UPDATE_PROGRESS
// it receives, the way the update window gets them from the download thread.
class ProgressWindow {
 public:
  ProgressWindow() : thread_([this] { Run(); }) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return window_ != nullptr; });
  }
  ~ProgressWindow() {
    ::PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }

  HWND Handle() const { return window_; }

  // Every progress message posted before this call, in arrival order.
  std::vector<std::pair<WPARAM, LPARAM>> Received() {
    ::PostMessageW(window_, kSentinel, 0, 0);
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return sentinelSeen_; });
    sentinelSeen_ = false;
    return received_;
  }

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ProgressWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && message == WM_UPDATE_PROGRESS) {
      std::lock_guard<std::mutex> lock(self->mutex_);
      self->received_.emplace_back(wParam, lParam);
      return 0;
    }
    if (self && message == kSentinel) {
      std::lock_guard<std::mutex> lock(self->mutex_);
      self->sentinelSeen_ = true;
      self->changed_.notify_all();
      return 0;
    }
    if (message == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }

  void Run() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ProgressWindowTest";
    ::RegisterClassW(&windowClass);
    HWND hwnd = ::CreateWindowExW(0, L"ProgressWindowTest", L"progress", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    {
      std::lock_guard<std::mutex> lock(mutex_);
      window_ = hwnd;
      changed_.notify_all();
    }
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  HWND window_ = nullptr;
  bool sentinelSeen_ = false;
  std::vector<std::pair<WPARAM, LPARAM>> received_;
  std::thread thread_;
};

std::string PackageBytes(size_t n) {
  std::string bytes(n, '\0');
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>((i * 31 + 7) & 0xFF);
  return bytes;
}

std::wstring WideUrl(const std::string& url) {
  return Widen(url);
}

TEST(DownloadToFile, CreatesTwoMissingLevelsAndReportsEveryStepUpToTheSize) {
  TempDir dir;
  ProgressWindow window;
  const size_t size = 300000;
  // The later separator ends the directory part, whichever kind it is.
  const std::wstring target = dir.Path() + L"outer/inner\\Tarvo_1.0.0.10.7z";
  ASSERT_TRUE(DownloadToFile(WideUrl(HttpUrl("/pkg/" + std::to_string(size))), target, BindCallback(window.Handle())));
  EXPECT_TRUE(DirectoryExists(dir / L"outer\\inner"));
  EXPECT_EQ(ReadBytes(target), PackageBytes(size));

  const auto received = window.Received();
  ASSERT_FALSE(received.empty());
  // The reports made before any data arrives (connecting, sending the
  // request) are passed on too, with nothing received and nothing announced.
  EXPECT_EQ(received.front(), std::make_pair(WPARAM(0), LPARAM(0)));
  EXPECT_EQ(received.back().first, size);
  EXPECT_EQ(static_cast<size_t>(received.back().second), size);
  WPARAM previous = 0;
  for (const auto& [progress, maximum] : received) {
    EXPECT_GE(progress, previous);  // bytes received never go back
    previous = progress;
    EXPECT_TRUE(maximum == 0 || static_cast<size_t>(maximum) == size) << maximum;
  }
}

TEST(DownloadToFile, WithoutContentLengthTheMaximumStaysZero) {
  TempDir dir;
  ProgressWindow window;
  const size_t size = 100000;
  const std::wstring target = dir / L"chunked.7z";
  ASSERT_TRUE(
      DownloadToFile(WideUrl(HttpUrl("/pkg-chunked/" + std::to_string(size))), target, BindCallback(window.Handle())));
  EXPECT_EQ(ReadBytes(target), PackageBytes(size));
  const auto received = window.Received();
  ASSERT_FALSE(received.empty());
  for (const auto& [progress, maximum] : received) EXPECT_EQ(maximum, 0) << "progress " << progress;
  EXPECT_EQ(received.back().first, size);
}

// A reply sent compressed announces its compressed length; the decoded file
// is longer. Only a shortfall is a cut-off download.
TEST(DownloadToFile, DecodedFileLongerThanAnnouncedIsComplete) {
  TempDir dir;
  ProgressWindow window;
  const size_t size = 100000;
  const std::wstring target = dir / L"gzip.7z";
  ASSERT_TRUE(
      DownloadToFile(WideUrl(HttpUrl("/pkg-gzip/" + std::to_string(size))), target, BindCallback(window.Handle())));
  EXPECT_EQ(ReadBytes(target), PackageBytes(size));
}

// Wine's download service answers S_OK for an HTTP error status and writes the
// error page into the file; Windows fails the download. Either way the page
// must not count as the package.
TEST(DownloadToFile, HttpErrorStatusIsAFailureAlsoWhereWineReportsSuccess) {
  TempDir dir;
  ProgressWindow window;
  for (const char* path : {"/pkg-404", "/pkg-500"}) {
    EXPECT_FALSE(DownloadToFile(WideUrl(HttpUrl(path)), dir / L"error.7z", BindCallback(window.Handle()))) << path;
  }
}

TEST(DownloadToFile, FailuresReturnFalse) {
  TempDir dir;
  ProgressWindow window;
  // The server announces 200000 bytes and closes after half of them.
  EXPECT_FALSE(DownloadToFile(WideUrl(HttpUrl("/pkg-short/200000")), dir / L"short.7z", BindCallback(window.Handle())));
  EXPECT_FALSE(DownloadToFile(Widen("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/pkg/10"), dir / L"closed.7z",
                              BindCallback(window.Handle())));
  EXPECT_FALSE(DownloadToFile(L"", dir / L"empty.7z", BindCallback(window.Handle())));
  EXPECT_FALSE(FileExists(dir / L"empty.7z"));

  // A file where the directory should be: nothing can be created, nothing is fetched.
  ASSERT_TRUE(WriteBytes(dir / L"blocker", "x"));
  EXPECT_FALSE(DownloadToFile(WideUrl(HttpUrl("/pkg/10")), dir / L"blocker\\sub\\p.7z", BindCallback(window.Handle())));
  EXPECT_EQ(ReadBytes(dir / L"blocker"), "x");
}

// Wine's download service reports success when the target names a directory
// and writes nothing; Windows fails the call. Either way no package file
// exists, so the download has failed. The reply is chunked, so no announced
// size stands in for the missing file.
TEST(DownloadToFile, NoFileAfterReportedSuccessIsAFailureAsWineReportsForADirectory) {
  TempDir dir;
  ProgressWindow window;
  ASSERT_TRUE(MakeDirectories(dir / L"p.7z"));
  EXPECT_FALSE(DownloadToFile(WideUrl(HttpUrl("/pkg-chunked/1000")), dir / L"p.7z", BindCallback(window.Handle())));
  EXPECT_TRUE(DirectoryExists(dir / L"p.7z"));
}

TEST(DownloadToFile, ExistingDirectoryAndReplacedFile) {
  TempDir dir;
  ProgressWindow window;
  ASSERT_TRUE(WriteBytes(dir / L"p.7z", std::string(5, 'o')));
  ASSERT_TRUE(DownloadToFile(WideUrl(HttpUrl("/pkg/1000")), dir / L"p.7z", BindCallback(window.Handle())));
  EXPECT_EQ(ReadBytes(dir / L"p.7z"), PackageBytes(1000));
}

TEST(CreateDirectoryTree, CreatesMissingLevelsAndRefusesWhatExists) {
  TempDir dir;
  EXPECT_TRUE(CreateDirectoryTree(dir / L"a\\b/c"));
  EXPECT_TRUE(DirectoryExists(dir / L"a\\b\\c"));
  EXPECT_FALSE(CreateDirectoryTree(dir / L"a\\b\\c"));  // already there
  EXPECT_TRUE(CreateDirectoryTree(dir / L"a\\b\\d"));   // only the last level missing
  ASSERT_TRUE(WriteBytes(dir / L"file", "x"));
  EXPECT_FALSE(CreateDirectoryTree(dir / L"file\\sub\\deeper"));
  EXPECT_FALSE(DirectoryExists(dir / L"file\\sub"));
}

TEST(BindCallback, PassesTheNumbersOnUnchangedWhateverTheStatus) {
  ProgressWindow window;
  BindCallback callback(window.Handle());
  IBindStatusCallback* sink = &callback;
  EXPECT_EQ(sink->OnProgress(0, 0, BINDSTATUS_FINDINGRESOURCE, L"127.0.0.1"), S_OK);
  EXPECT_EQ(sink->OnProgress(0xFFFFFFFFu, 0x80000000u, BINDSTATUS_DOWNLOADINGDATA, nullptr), S_OK);
  const auto received = window.Received();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0], std::make_pair(WPARAM(0), LPARAM(0)));
  EXPECT_EQ(received[1].first, WPARAM(0xFFFFFFFFu));
  EXPECT_EQ(static_cast<ULONG>(received[1].second), 0x80000000u);

  // A window that has gone: the post fails quietly.
  HWND gone = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(gone, nullptr);
  ::DestroyWindow(gone);
  BindCallback orphan(gone);
  EXPECT_EQ(orphan.OnProgress(1, 2, BINDSTATUS_ENDDOWNLOADDATA, nullptr), S_OK);
}

}  // namespace

#include "launcher/ui/MainWindow.h"

#include <cstdint>
#include <cwchar>
#include <utility>

#include "duilib/control/CControlUI.h"
#include "duilib/core/MessageRoute.h"
#include "launcher/ui/VxMessageBox.h"

namespace Launcher {

namespace {

constexpr wchar_t kWindowTitle[] = L"Tarvo Game Booster Upgrade Version";
// WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER |
// WS_DLGFRAME | WS_SYSMENU; the window base takes the caption bits away again.
constexpr DWORD kWindowStyle = 0x96C80000;
constexpr DWORD kWindowExStyle = WS_EX_WINDOWEDGE;

constexpr wchar_t kStatePrefix[] = L"升级中，请稍候...";
constexpr int kTrackWidth = 500;
constexpr wchar_t kCloseButton[] = L"MainWindow_Close_Btn";
constexpr wchar_t kConfirmTitle[] = L"提示";
constexpr wchar_t kConfirmContent[] = L"升级尚未完成，确定退出？";
constexpr wchar_t kDownloadFailed[] = L"下载失败，请手动下载安装最新版本Tarvo加速器！";
constexpr wchar_t kInstallFailed[] = L"解压缩失败，请手动下载安装最新版本Tarvo加速器！";

// The notes separate their lines with "|"; the rich edit wants line feeds.
std::wstring NotesAsLines(std::wstring notes) {
  for (wchar_t& c : notes) {
    if (c == L'|') c = L'\n';
  }
  return notes;
}

}  // namespace

MainWindow::MainWindow(std::wstring releaseNotes, UpdateControl& update)
    : releaseNotes_(std::move(releaseNotes)), update_(update) {}

LRESULT MainWindow::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // Fewer rows than the base's table, and no OnOtherMessage: focus, keys,
  // mouse, WM_GETMINMAXINFO and WM_SYSCOMMAND go straight to the host.
  static const DuiLib::MessageRoute<MainWindow> kRoutes[] = {
      {WM_CREATE, &MainWindow::OnCreate},
      {WM_DESTROY, &MainWindow::OnDestroy},
      {WM_CLOSE, &MainWindow::OnClose},
      {WM_NCCALCSIZE, &MainWindow::OnNcCalcSize},
      {WM_NCHITTEST, &MainWindow::OnNcHitTest},
      {WM_NCPAINT, &MainWindow::OnNcPaint},
      {WM_NCACTIVATE, &MainWindow::OnNcActivate},
      // The layout is fixed, and a double click on the caption must not
      // maximise the window.
      {WM_SIZE, DuiLib::kSwallowed},
      {WM_NCLBUTTONDBLCLK, DuiLib::kSwallowed},
      {WM_UPDATE_PROGRESS, &MainWindow::OnUpdateProgress},
      {WM_UPDATE_DOWNLOAD_FAILED, &MainWindow::OnDownloadFailed},
      {WM_UPDATE_INSTALL_FAILED, &MainWindow::OnInstallFailed},
      {WM_UPDATE_INSTALL_DONE, &MainWindow::OnInstallDone},
  };
  bool handled = false;
  const LRESULT result = DuiLib::RouteMessage(*this, kRoutes, message, wParam, lParam, handled);
  return handled ? result : PassToHost(message, wParam, lParam);
}

LRESULT MainWindow::OnCreate(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  const LRESULT result = WindowImplBase::OnCreate(message, wParam, lParam, handled);
  if (DuiLib::CControlUI* notes = host_.FindControl(std::wstring(L"Msg_RichEdit"))) {
    notes->SetText(NotesAsLines(releaseNotes_));
  }
  // Without an update no final message would ever come and the window could
  // only be left by confirming; it is reported as the failed download it is.
  if (!update_.Start(GetHWND())) ::PostMessageW(GetHWND(), WM_UPDATE_DOWNLOAD_FAILED, 0, 0);
  return result;
}

LRESULT MainWindow::OnClose(UINT, WPARAM, LPARAM, bool& handled) {
  // While the update runs, only a confirmed close button lets WM_CLOSE through.
  handled = !mayClose_;
  return 0;
}

LRESULT MainWindow::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
  ::PostQuitMessage(0);
  handled = false;
  return 0;
}

LRESULT MainWindow::OnNcCalcSize(UINT, WPARAM, LPARAM, bool&) {
  // The whole window is client area; it is never maximised.
  return 0;
}

bool MainWindow::DragsWindow(const DuiLib::CControlUI& control) {
  // The toolkit builds no edit box; "Edit" stays so that one added to the
  // caption band of the skin would take the mouse rather than drag.
  const wchar_t* cls = control.GetClass();
  return std::wcscmp(cls, L"Button") != 0 && std::wcscmp(cls, L"Edit") != 0;
}

LRESULT MainWindow::OnUpdateProgress(UINT, WPARAM wParam, LPARAM lParam, bool&) {
  // Both counts are the download's unsigned 32-bit numbers; 64 bits keep
  // done × 100 exact for any of them.
  const auto done = static_cast<std::uint32_t>(wParam);
  const auto total = static_cast<std::uint32_t>(lParam);
  if (total == 0 || total < done) return 0;
  const int percent = static_cast<int>(std::uint64_t{done} * 100 / total);
  if (DuiLib::CControlUI* state = host_.FindControl(std::wstring(L"UpdateState_Label"))) {
    state->SetText(kStatePrefix + std::to_wstring(percent) + L"%");
  }
  if (DuiLib::CControlUI* bar = host_.FindControl(std::wstring(L"Progress_Label"))) {
    bar->SetFixedWidth(percent * kTrackWidth / 100);
  }
  return 0;
}

LRESULT MainWindow::OnDownloadFailed(UINT, WPARAM, LPARAM, bool&) {
  OnUpdateFailed(kDownloadFailed);
  return 0;
}

LRESULT MainWindow::OnInstallFailed(UINT, WPARAM, LPARAM, bool&) {
  OnUpdateFailed(kInstallFailed);
  return 0;
}

void MainWindow::OnUpdateFailed(const wchar_t* content) {
  mayClose_ = true;
  // The answer does not matter: the user is sent to the home page either way.
  ShowMessageBox(L"", content, MessageBoxMode::OkCancel, GetHWND());
  update_.OpenHomePage();
  Close(1);
}

LRESULT MainWindow::OnInstallDone(UINT, WPARAM, LPARAM, bool&) {
  mayClose_ = true;
  update_.StartProduct();
  Close(1);
  return 0;
}

void MainWindow::OnNotify(DuiLib::NotificationUI& msg) {
  if (msg.type != L"click" || !msg.sender || msg.sender->GetName() != kCloseButton || mayClose_) return;
  if (ShowMessageBox(kConfirmTitle, kConfirmContent, MessageBoxMode::OkCancel, GetHWND())) {
    mayClose_ = true;
    Close(1);
  }
}

bool ShowUpdateWindow(MainWindow& window) {
  if (!window.Create(nullptr, kWindowTitle, kWindowStyle, kWindowExStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                     CW_USEDEFAULT)) {
    return false;
  }
  // No sizing frame: the window keeps the skin's size.
  const HWND hwnd = window.GetHWND();
  ::SetWindowLongW(hwnd, GWL_STYLE, ::GetWindowLongW(hwnd, GWL_STYLE) & ~static_cast<LONG>(WS_THICKFRAME));
  window.CenterOnOwner();
  window.Show(true, true);
  return true;
}

}  // namespace Launcher

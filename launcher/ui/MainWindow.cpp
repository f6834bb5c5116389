#include "launcher/ui/MainWindow.h"

#include <shellapi.h>

#include <cstdint>
#include <cwchar>
#include <system_error>
#include <thread>
#include <utility>

#include "duilib/control/CControlUI.h"
#include "launcher/LauncherDirectory.h"
#include "launcher/ProductLauncher.h"
#include "launcher/UpdateMessages.h"
#include "launcher/UpdateWorker.h"
#include "launcher/ui/VxMessageBox.h"

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

std::wstring HomePageAddress(int oemId) {
  return L"http://" LAUNCHER_HOMEPAGE_HOST L"/?oemid=" + std::to_wstring(oemId);
}

MainWindow::MainWindow(std::wstring releaseNotes, std::wstring downloadUrl, std::wstring latestVersion,
                       std::wstring signature)
    : oemId_(kProductOemId),
      releaseNotes_(std::move(releaseNotes)),
      downloadUrl_(std::move(downloadUrl)),
      latestVersion_(std::move(latestVersion)),
      signature_(std::move(signature)) {}

LRESULT MainWindow::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  bool handled = true;
  switch (message) {
    case WM_CREATE:
      result = OnCreate(message, wParam, lParam, handled);
      break;
    case WM_DESTROY:
      result = OnDestroy(message, wParam, lParam, handled);
      break;
    case WM_CLOSE:
      result = OnClose(message, wParam, lParam, handled);
      break;
    case WM_NCCALCSIZE:
      result = OnNcCalcSize(message, wParam, lParam, handled);
      break;
    case WM_NCHITTEST:
      result = OnNcHitTest(message, wParam, lParam, handled);
      break;
    case WM_NCPAINT:
      result = OnNcPaint(message, wParam, lParam, handled);
      break;
    case WM_NCACTIVATE:
      result = OnNcActivate(message, wParam, lParam, handled);
      break;
    case WM_SIZE:
    case WM_NCLBUTTONDBLCLK:
      // The layout is fixed, and a double click on the caption must not
      // maximise the window.
      return 0;
    case WM_UPDATE_PROGRESS:
      OnProgress(wParam, lParam);
      break;
    case WM_UPDATE_DOWNLOAD_FAILED:
      OnUpdateFailed(kDownloadFailed);
      break;
    case WM_UPDATE_INSTALL_FAILED:
      OnUpdateFailed(kInstallFailed);
      break;
    case WM_UPDATE_INSTALL_DONE:
      OnUpdateDone();
      break;
    default:
      handled = false;
      break;
  }
  if (handled) return result;
  if (host_.MessageHandler(message, wParam, lParam, result)) return result;
  return CallPreviousProc(message, wParam, lParam);
}

LRESULT MainWindow::OnCreate(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  const LRESULT result = WindowImplBase::OnCreate(message, wParam, lParam, handled);
  if (DuiLib::CControlUI* notes = host_.FindControl(std::wstring(L"Msg_RichEdit"))) {
    notes->SetText(NotesAsLines(releaseNotes_));
  }
  try {
    std::thread(UpdateWorker, downloadUrl_, latestVersion_, signature_, GetHWND()).detach();
  } catch (const std::system_error&) {
    // Without a worker no final message would ever come and the window could
    // only be left by confirming; report it as the failed download it is.
    ::PostMessageW(GetHWND(), WM_UPDATE_DOWNLOAD_FAILED, 0, 0);
  }
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

LRESULT MainWindow::OnNcHitTest(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  const LRESULT base = WindowImplBase::OnNcHitTest(message, wParam, lParam, handled);
  if (base != HTCLIENT && base != HTCAPTION) return base;
  // Only the caption band's rule differs from the base: anything but a button
  // or an edit box there drags the window.
  POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ::ScreenToClient(GetHWND(), &pt);
  RECT client;
  ::GetClientRect(GetHWND(), &client);
  const RECT caption = host_.GetCaptionRect();
  if (pt.x >= client.left + caption.left && pt.x < client.right - caption.right && pt.y >= caption.top &&
      pt.y < caption.bottom) {
    if (DuiLib::CControlUI* control = host_.FindControl(pt)) {
      const wchar_t* cls = control->GetClass();
      if (std::wcscmp(cls, L"Button") != 0 && std::wcscmp(cls, L"Edit") != 0) return HTCAPTION;
    }
  }
  return HTCLIENT;
}

void MainWindow::OnProgress(WPARAM wParam, LPARAM lParam) {
  // Both counts are the download's unsigned 32-bit numbers; 64 bits keep
  // done × 100 exact for any of them.
  const auto done = static_cast<std::uint32_t>(wParam);
  const auto total = static_cast<std::uint32_t>(lParam);
  if (total == 0 || total < done) return;
  const int percent = static_cast<int>(std::uint64_t{done} * 100 / total);
  if (DuiLib::CControlUI* state = host_.FindControl(std::wstring(L"UpdateState_Label"))) {
    state->SetText(kStatePrefix + std::to_wstring(percent) + L"%");
  }
  if (DuiLib::CControlUI* bar = host_.FindControl(std::wstring(L"Progress_Label"))) {
    bar->SetFixedWidth(percent * kTrackWidth / 100);
  }
}

void MainWindow::OnUpdateFailed(const wchar_t* content) {
  mayClose_ = true;
  // The answer does not matter: the user is sent to the home page either way.
  ShowMessageBox(L"", content, MessageBoxMode::OkCancel, GetHWND());
  ::ShellExecuteW(nullptr, L"open", HomePageAddress(oemId_).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  Close(1);
}

void MainWindow::OnUpdateDone() {
  mayClose_ = true;
  LaunchProduct(LauncherDirectory());
  Close(1);
}

void MainWindow::OnNotify(DuiLib::NotificationUI& msg) {
  if (msg.sType != L"click" || !msg.pSender || msg.pSender->GetName() != kCloseButton || mayClose_) return;
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

// The update window's skin: building, laying out and painting MainWindow.xml
// into a 500 x 310 memory bitmap (skin package already in memory) against a
// copy of the finished picture; the images decoded per window; and, in a real
// window, what one progress change repaints against a repaint of the whole
// client area. Not a test: `make bench` runs it (tools/bench/paint.sh).
#include <windows.h>

#include <cstdio>
#include <memory>
#include <regex>
#include <set>
#include <string>

#include "duilib/control/CControlUI.h"
#include "duilib/core/CDialogBuilder.h"
#include "duilib/core/CImageCacheUI.h"
#include "duilib/core/CResourceSettingsUI.h"
#include "duilib/core/CWindowHostUI.h"
#include "duilib/core/WindowImplBase.h"
#include "tests/duilib/DibCanvas.h"
#include "tests/duilib/SkinBytes.h"
#include "tests/support/Stopwatch.h"

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 310;

// One window's worth: a host of its own (so its own image cache), the tree
// built from the skin, laid out and painted whole into `canvas`.
bool BuildLayoutPaint(DibCanvas& canvas) {
  DuiLib::CWindowHostUI host;
  DuiLib::CDialogBuilder builder;
  DuiLib::CControlUI* root = builder.Create(L"MainWindow.xml", nullptr, nullptr, &host, nullptr);
  if (!root) return false;
  host.AttachDialog(root);
  const RECT all = {0, 0, kWidth, kHeight};
  root->SetPos(all, false);
  root->Paint(canvas.dc(), all);
  ::GdiFlush();
  return true;
}

// The distinct image files the skin names.
size_t ImageFilesInSkin() {
  const std::string xml = SkinMember(L"MainWindow.xml");
  const std::regex file("img/[A-Za-z0-9_]+\\.png");
  std::set<std::string> names;
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), file); it != std::sregex_iterator(); ++it) {
    names.insert(it->str());
  }
  return names.size();
}

class SkinWindow : public DuiLib::WindowImplBase {
 protected:
  const wchar_t* WindowClassName() const override { return L"PaintBenchWindow"; }
  std::wstring SkinFolder() override { return L""; }
  std::wstring SkinFile() override { return L"MainWindow.xml"; }
};

// Dispatches until nothing is queued and nothing is left to paint.
void Settle(HWND window) {
  for (int round = 0; round < 1000; ++round) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    RECT update;
    if (!::GetUpdateRect(window, &update, FALSE)) return;
  }
}

}  // namespace

int main() {
  const std::string package = SkinPackageBytes();
  if (package.empty()) return 1;
  DuiLib::CResourceSettingsUI::SetInstance(::GetModuleHandleW(nullptr));
  DuiLib::CResourceSettingsUI::SetResourceZip(package.data(), package.size());

  // Build, lay out, paint; the first round warms the caches of the process
  // (fonts, the package's directory) and counts the decodes of one window.
  DibCanvas canvas(kWidth, kHeight);
  const unsigned long decodesBefore = DuiLib::CImageCacheUI::DecodeCount();
  if (!BuildLayoutPaint(canvas)) return 1;
  const unsigned long decodesPerWindow = DuiLib::CImageCacheUI::DecodeCount() - decodesBefore;
  const int rounds = 200;
  const unsigned long decodesBeforeRounds = DuiLib::CImageCacheUI::DecodeCount();
  LARGE_INTEGER a = Now();
  for (int i = 0; i < rounds; ++i) {
    if (!BuildLayoutPaint(canvas)) return 1;
  }
  LARGE_INTEGER b = Now();
  const double buildUs = Microseconds(a, b) / rounds;
  const double decodesPerRound =
      static_cast<double>(DuiLib::CImageCacheUI::DecodeCount() - decodesBeforeRounds) / rounds;

  DibCanvas copy(kWidth, kHeight);
  const int copyRounds = 2000;
  a = Now();
  for (int i = 0; i < copyRounds; ++i) {
    ::BitBlt(copy.dc(), 0, 0, kWidth, kHeight, canvas.dc(), 0, 0, SRCCOPY);
    ::GdiFlush();
  }
  b = Now();
  const double copyUs = Microseconds(a, b) / copyRounds;
  std::printf(
      "paint: MainWindow.xml built, laid out and painted into %dx%d: %.0f us, BitBlt copy of the picture %.1f us, "
      "ratio %.0f; images decoded per window %lu (%.2f per later window), image files in the skin %u\n",
      kWidth, kHeight, buildUs, copyUs, copyUs > 0 ? buildUs / copyUs : 0.0, decodesPerWindow, decodesPerRound,
      static_cast<unsigned>(ImageFilesInSkin()));

  // A real window: what the host paints (and copies to the screen) for one
  // progress change, against a repaint of the whole client area.
  SkinWindow window;
  HWND hwnd = window.Create(nullptr, L"", WS_POPUP | WS_VISIBLE, 0, 0, 0, kWidth, kHeight);
  if (!hwnd) return 1;
  Settle(hwnd);
  DuiLib::CWindowHostUI& host = window.Host();
  const unsigned long decodesAfterFirstPaint = DuiLib::CImageCacheUI::DecodeCount();
  DuiLib::CControlUI* state = host.FindControl(std::wstring(L"UpdateState_Label"));
  DuiLib::CControlUI* bar = host.FindControl(std::wstring(L"Progress_Label"));
  if (!state || !bar) return 1;

  const int changes = 100;
  unsigned long long pixels = host.GetPaintedPixelCount();
  double progressUs = 0;
  for (int percent = 1; percent <= changes; ++percent) {
    state->SetText(L"升级中，请稍候..." + std::to_wstring(percent) + L"%");
    bar->SetFixedWidth(percent * 5);
    a = Now();
    ::UpdateWindow(hwnd);
    b = Now();
    progressUs += Microseconds(a, b);
  }
  const double progressPixels = static_cast<double>(host.GetPaintedPixelCount() - pixels) / changes;
  const RECT barRect = bar->GetPos();

  pixels = host.GetPaintedPixelCount();
  double wholeUs = 0;
  for (int i = 0; i < changes; ++i) {
    ::InvalidateRect(hwnd, nullptr, FALSE);
    a = Now();
    ::UpdateWindow(hwnd);
    b = Now();
    wholeUs += Microseconds(a, b);
  }
  const double wholePixels = static_cast<double>(host.GetPaintedPixelCount() - pixels) / changes;
  Settle(hwnd);
  const unsigned long laterDecodes = DuiLib::CImageCacheUI::DecodeCount() - decodesAfterFirstPaint;
  ::DestroyWindow(hwnd);

  progressUs /= changes;
  wholeUs /= changes;
  std::printf(
      "paint: one progress change (state label + bar, bar now %ldx%ld) repaints %.0f px in %.0f us, the whole client "
      "area %.0f px in %.0f us: pixel ratio %.3f, time ratio %.3f; images decoded after the first paint %lu\n",
      barRect.right - barRect.left, barRect.bottom - barRect.top, progressPixels, progressUs, wholePixels, wholeUs,
      wholePixels > 0 ? progressPixels / wholePixels : 0.0, wholeUs > 0 ? progressUs / wholeUs : 0.0, laterDecodes);
  return 0;
}

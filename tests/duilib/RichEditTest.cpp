#include <gtest/gtest.h>

#include <richedit.h>
#include <textserv.h>

#include <string>

#include "duilib/control/CRichEditUI.h"
#include "duilib/control/CScrollBarUI.h"
#include "duilib/core/CWindowHostUI.h"
#include "tests/duilib/DibCanvas.h"

using namespace DuiLib;

namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 100;

void Pump(DWORD milliseconds) {
  const DWORD start = ::GetTickCount();
  MSG msg;
  do {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(5);
  } while (::GetTickCount() - start < milliseconds);
}

// A bare window whose messages go to a toolkit host, with a rich edit as
// its root filling the client area.
class EditWindow {
 public:
  explicit EditWindow(bool readOnly = true) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &EditWindow::Proc;
    wc.lpszClassName = L"RichEditTestWindow";
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    ::RegisterClassW(&wc);
    // The attributes of the update window's notes, as its skin gives them.
    edit = new CRichEditUI;
    edit->SetAttribute(L"readonly", readOnly ? L"true" : L"false");
    edit->SetAttribute(L"vscrollbar", L"true");
    edit->SetAttribute(L"vscrollbarstyle", L"width=\"6\"");
    edit->SetAttribute(L"bkcolor", L"#FF1E2938");
    edit->SetAttribute(L"textcolor", L"#FFFFFFFF");
    edit->SetAttribute(L"bordersize", L"1");
    edit->SetAttribute(L"bordercolor", L"#807D8EAC");
    hwnd = ::CreateWindowExW(WS_EX_TOPMOST, L"RichEditTestWindow", L"notes", WS_POPUP, 10, 10, kWidth, kHeight, nullptr,
                             nullptr, nullptr, this);
  }
  ~EditWindow() {
    if (hwnd != nullptr) ::DestroyWindow(hwnd);
  }
  void Show() {
    ::ShowWindow(hwnd, SW_SHOW);
    ::SetForegroundWindow(hwnd);
    ::SetFocus(hwnd);
    ::UpdateWindow(hwnd);
    Pump(50);
  }
  // Lays the tree out the way WM_PAINT does, without depending on exposure.
  void Layout() {
    ::InvalidateRect(hwnd, nullptr, FALSE);
    ::UpdateWindow(hwnd);
  }

  CWindowHostUI host;
  CRichEditUI* edit = nullptr;  // owned by the host once attached
  HWND hwnd = nullptr;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<EditWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
      self = static_cast<EditWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else if (message == WM_CREATE) {
      self->host.Init(hwnd);
      self->host.AttachDialog(self->edit);
    }
    LRESULT result = 0;
    if (self != nullptr && message != WM_NCCREATE && self->host.MessageHandler(message, wParam, lParam, result)) {
      return result;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
};

std::wstring Lines(int count) {
  std::wstring text;
  for (int i = 1; i <= count; ++i) text += L"Line " + std::to_wstring(i) + L" of the release notes\n";
  return text;
}

int EngineScrollPos(CRichEditUI* edit) {
  LONG minPos = 0, maxPos = 0, pos = 0, page = 0;
  WINBOOL enabled = FALSE;
  edit->GetTextServices()->TxGetVScroll(&minPos, &maxPos, &pos, &page, &enabled);
  return pos;
}

LRESULT Ask(CRichEditUI* edit, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  LRESULT result = 0;
  edit->GetTextServices()->TxSendMessage(message, wParam, lParam, &result);
  return result;
}

TEST(RichEdit, EngineComesUpWithTheWindow) {
  EditWindow window;
  ASSERT_NE(window.hwnd, nullptr);
  ASSERT_NE(window.edit->GetTextServices(), nullptr) << "msftedit.dll from the system directory";
  EXPECT_STREQ(window.edit->GetClass(), L"RichEdit");
  EXPECT_TRUE(window.edit->GetWinStyle() & ES_READONLY);
  EXPECT_TRUE(window.edit->GetWinStyle() & WS_VSCROLL);
  ASSERT_NE(window.edit->GetVerticalScrollBar(), nullptr);
  EXPECT_EQ(window.edit->GetVerticalScrollBar()->GetFixedWidth(), 6);
}

TEST(RichEdit, NotesReadBackLineByLine) {
  EditWindow window;
  window.edit->SetText(L"a\nb\n\nc");
  EXPECT_EQ(window.edit->GetText(), L"a\nb\n\nc");
  EXPECT_EQ(Ask(window.edit, EM_GETLINECOUNT), 4);
  const LRESULT third = Ask(window.edit, EM_LINEINDEX, 2);
  EXPECT_EQ(Ask(window.edit, EM_LINELENGTH, third), 0) << "the third line is empty";
  window.edit->SetText(L"第一行\n第二行");
  EXPECT_EQ(window.edit->GetText(), L"第一行\n第二行");
  window.edit->SetText(L"");
  EXPECT_EQ(window.edit->GetText(), L"");
}

TEST(RichEdit, TallNotesShowTheNarrowBarAtTheTop) {
  EditWindow window;
  window.edit->SetText(Lines(30));
  window.Show();
  window.Layout();
  CScrollBarUI* bar = window.edit->GetVerticalScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->IsVisible());
  const RECT barRect = bar->GetPos();
  EXPECT_EQ(barRect.right - barRect.left, 6);
  EXPECT_EQ(barRect.right, kWidth);
  EXPECT_EQ(bar->GetScrollPos(), 0);
  EXPECT_EQ(EngineScrollPos(window.edit), 0) << "the first line is shown";
  EXPECT_GT(bar->GetScrollRange(), 0);
  const RECT text = window.edit->GetTextClientRect();
  EXPECT_EQ(text.right, kWidth - 6) << "the text gives way to the bar";

  // The bar's range is exactly what the engine can scroll.
  window.edit->EndDown();
  EXPECT_EQ(bar->GetScrollPos(), bar->GetScrollRange());
  EXPECT_EQ(EngineScrollPos(window.edit), bar->GetScrollPos());
  window.edit->HomeUp();
  EXPECT_EQ(bar->GetScrollPos(), 0);
  window.edit->LineDown();
  EXPECT_GT(bar->GetScrollPos(), 0);
  EXPECT_EQ(EngineScrollPos(window.edit), bar->GetScrollPos());
  window.edit->SetScrollPos(SIZE{0, 40});
  EXPECT_EQ(EngineScrollPos(window.edit), 40);
  EXPECT_EQ(bar->GetScrollPos(), 40);

  // New, short notes: nothing left to scroll, and the view is at the top.
  window.edit->SetText(L"short");
  window.Layout();
  EXPECT_EQ(bar->GetScrollRange(), 0);
  EXPECT_EQ(bar->GetScrollPos(), 0);
}

TEST(RichEdit, TypingIsBlockedOnlyWhenReadOnly) {
  struct Case {
    bool readOnly;
    std::wstring expected;
  };
  for (const Case& c : {Case{true, L"notes"}, Case{false, L"xnotes"}}) {
    EditWindow window(c.readOnly);
    window.edit->SetText(L"notes");
    window.Show();
    window.host.SetFocus(window.edit);
    ASSERT_TRUE(window.edit->IsFocused());
    ::PostMessageW(window.hwnd, WM_CHAR, L'x', 1);
    Pump(100);
    EXPECT_EQ(window.edit->GetText(), c.expected) << "read-only " << c.readOnly;
  }
}

TEST(RichEdit, TextIsPaintedOpaque) {
  EditWindow window;
  window.edit->SetText(L"WWWW MMMM\nWWWW MMMM");
  window.Show();
  window.Layout();
  DibCanvas canvas(kWidth, kHeight);
  ASSERT_TRUE(canvas.Ok());
  const RECT all = {0, 0, kWidth, kHeight};
  window.edit->Paint(canvas.dc(), all);
  // Inside the one-pixel border, which is not the engine's to draw.
  RECT text = window.edit->GetTextClientRect();
  ::InflateRect(&text, -1, -1);
  int transparent = 0;
  int lit = 0;
  for (int y = text.top; y < text.bottom; ++y) {
    for (int x = text.left; x < text.right; ++x) {
      const DWORD pixel = canvas.Pixel(x, y);
      if ((pixel >> 24) != 0xFF) ++transparent;
      if ((pixel & 0xFF) > 0x80) ++lit;  // white text on #1E2938
    }
  }
  EXPECT_EQ(transparent, 0);
  EXPECT_GT(lit, 20) << "the text was drawn";
}

}  // namespace

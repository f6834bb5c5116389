#include "tests/update/MessageRecorder.h"

#include <gtest/gtest.h>

#include <thread>

#include "launcher/update/UpdateMessages.h"

using namespace Launcher;

MessageRecorder::MessageRecorder() {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = &MessageRecorder::Procedure;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"UpdateMessageRecorder";
  ::RegisterClassW(&windowClass);
  window_.Reset(::CreateWindowExW(0, windowClass.lpszClassName, L"recorder", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                  nullptr, windowClass.hInstance, this));
}

std::vector<UINT> MessageRecorder::Finals() const {
  std::vector<UINT> finals;
  for (const Posted& p : messages_) {
    if (p.message != WM_UPDATE_PROGRESS) finals.push_back(p.message);
  }
  return finals;
}

bool MessageRecorder::PumpUntilFinal(DWORD milliseconds) {
  const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
  while (!finalSeen_ && ::GetTickCount64() < deadline) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    if (!finalSeen_) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  return finalSeen_;
}

std::vector<UINT> MessageRecorder::Run(const std::function<void(HWND)>& update) {
  std::thread worker(update, Window());
  EXPECT_TRUE(PumpUntilFinal(60000));
  worker.join();
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  return Finals();
}

LRESULT CALLBACK MessageRecorder::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* self = reinterpret_cast<MessageRecorder*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self && (message == WM_UPDATE_PROGRESS || message == WM_UPDATE_DOWNLOAD_FAILED ||
               message == WM_UPDATE_INSTALL_FAILED || message == WM_UPDATE_INSTALL_DONE)) {
    self->messages_.push_back({message, wParam, lParam});
    if (message != WM_UPDATE_PROGRESS) self->finalSeen_ = true;
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

#include "launcher/app/WindowUpdate.h"

#include <new>
#include <utility>

#include "base/UniqueHandle.h"
#include "launcher/app/WindowSink.h"
#include "launcher/service/ProductLauncher.h"
#include "launcher/update/UpdateSession.h"

namespace Launcher {

namespace {

// What the update's thread owns: copies of its inputs and a share of the
// installation.
struct SessionInputs {
  std::shared_ptr<const Installation> installation;
  UpdateOffer offer;
  HWND window;
};

DWORD WINAPI RunSession(void* parameter) {
  const std::unique_ptr<SessionInputs> inputs(static_cast<SessionInputs*>(parameter));
  WindowSink sink(inputs->window);
  UpdateSession session(*inputs->installation, std::move(inputs->offer), sink, UpdateSession::ShippedOptions());
  session.Run();
  return 0;
}

}  // namespace

WindowUpdate::WindowUpdate(std::shared_ptr<const Installation> installation, UpdateOffer offer, ProductHold hold)
    : installation_(std::move(installation)), offer_(std::move(offer)), hold_(hold) {}

bool WindowUpdate::Start(HWND window) {
  std::unique_ptr<SessionInputs> inputs(new (std::nothrow) SessionInputs{installation_, offer_, window});
  if (!inputs) return false;
  // Never joined: when the user closes the window during the download the
  // process ends with the thread, which holds its own share of the
  // installation until then.
  UniqueHandle thread(::CreateThread(nullptr, 0, RunSession, inputs.get(), 0, nullptr));
  if (!thread) return false;
  inputs.release();
  return true;
}

void WindowUpdate::StartProduct() {
  LaunchProductUnlessHeld(*installation_, hold_);
}

void WindowUpdate::OpenHomePage() {
  OpenProductHomePage();
}

}  // namespace Launcher

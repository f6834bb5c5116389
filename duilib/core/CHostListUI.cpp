#include "duilib/core/CHostListUI.h"

#include <algorithm>

#include "duilib/core/CWindowHostUI.h"

namespace DuiLib {
namespace {

std::vector<CWindowHostUI*>& Hosts() {
  static std::vector<CWindowHostUI*> hosts;
  return hosts;
}

}  // namespace

void CHostListUI::Add(CWindowHostUI* host) {
  if (!Contains(host)) Hosts().push_back(host);
}

void CHostListUI::Remove(CWindowHostUI* host) {
  auto& hosts = Hosts();
  hosts.erase(std::remove(hosts.begin(), hosts.end(), host), hosts.end());
}

bool CHostListUI::Contains(const CWindowHostUI* host) {
  const auto& hosts = Hosts();
  return std::find(hosts.begin(), hosts.end(), host) != hosts.end();
}

const std::vector<CWindowHostUI*>& CHostListUI::All() {
  return Hosts();
}

bool CHostListUI::Translate(const MSG* msg) {
  if (!msg || !msg->hwnd) return false;
  // A filter may end a window and with it its host: walk a copy, and skip
  // hosts that have left the list meanwhile.
  const std::vector<CWindowHostUI*> hosts = Hosts();
  MSG copy = *msg;
  const bool child = (::GetWindowLongW(msg->hwnd, GWL_STYLE) & WS_CHILD) != 0;
  if (child) {
    for (auto it = hosts.rbegin(); it != hosts.rend(); ++it) {
      CWindowHostUI* host = *it;
      for (HWND w = msg->hwnd; w; w = ::GetParent(w)) {
        if (!Contains(host) || w != host->GetPaintWindow()) continue;
        if (host->TranslateAccelerator(&copy)) return true;
        LRESULT ignored = 0;
        host->PreMessageHandler(msg->message, msg->wParam, msg->lParam, ignored);
      }
    }
    return false;
  }
  for (CWindowHostUI* host : hosts) {
    if (!Contains(host) || host->GetPaintWindow() != msg->hwnd) continue;
    if (host->TranslateAccelerator(&copy)) return true;
    LRESULT ignored = 0;
    return host->PreMessageHandler(msg->message, msg->wParam, msg->lParam, ignored);
  }
  return false;
}

}  // namespace DuiLib

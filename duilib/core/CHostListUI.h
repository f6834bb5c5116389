#pragma once

#include <windows.h>

#include <vector>

namespace DuiLib {

class CWindowHostUI;

// The process-wide list of initialised window hosts, in order of
// initialisation, and the pre-translation of the message loops that walks
// it. Hosts add themselves in Init and leave in Uninit; the list owns none.
// UI thread only (the toolkit's one thread).
class CHostListUI {
 public:
  static void Add(CWindowHostUI* host);  // once; a second Add keeps its place
  static void Remove(CWindowHostUI* host);
  static bool Contains(const CWindowHostUI* host);
  static const std::vector<CWindowHostUI*>& All();

  // A queued message before translation: for a child window every host whose
  // window is the window or one of its ancestors (last initialised first)
  // runs its accelerators and pre-translation, whose answer is not used; for
  // any other window the host of that window runs them and answers. True
  // when the message is consumed.
  static bool Translate(const MSG* msg);
};

}  // namespace DuiLib

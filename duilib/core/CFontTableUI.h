#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "duilib/core/TFontInfo.h"

namespace DuiLib {

// The fonts of one window (or, for CFontTableUI::Shared(), of the process),
// keyed by the decimal id the skin gives them, plus that scope's default
// font. UI thread only. Records are owned by the table; pointers returned
// stay valid until the same key is registered again or the table ends.
class CFontTableUI {
 public:
  CFontTableUI() = default;
  CFontTableUI(const CFontTableUI&) = delete;
  CFontTableUI& operator=(const CFontTableUI&) = delete;

  // The process-wide table (shared fonts and the process default font).
  static CFontTableUI& Shared();

  // Creates the font (face, height -size, weight +700 when bold, DEFAULT_CHARSET,
  // from the system's default GUI font) and stores it under `id`, replacing
  // (and deleting) an earlier one. Metrics are filled at once when `dc` is
  // given. Null, with nothing registered, when `id` < 0, the face is empty or
  // the font cannot be created.
  TFontInfo* Add(int id, const std::wstring& face, int size, bool bold, bool underline, bool italic, HDC dc);
  // Null when `id` is not registered here.
  TFontInfo* Find(int id);

  // The default font of this scope; empty face name until set. The shared
  // table's default is made from the system's default GUI font on first use.
  TFontInfo* Default();
  // Replaces the default font (the old one is deleted). False when the
  // font cannot be created.
  bool SetDefault(const std::wstring& face, int size, bool bold, bool underline, bool italic, HDC dc);

  // Fills the metrics of `info` through `dc` unless it has them already.
  static void EnsureMetrics(TFontInfo* info, HDC dc);
  // Refills the metrics of every font of the table (the paint context changed).
  void RefreshMetrics(HDC dc);

 private:
  std::map<int, std::unique_ptr<TFontInfo>> fonts_;
  TFontInfo default_;
};

}  // namespace DuiLib

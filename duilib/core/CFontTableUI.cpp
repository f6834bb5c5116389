#include "duilib/core/CFontTableUI.h"

#include <cwchar>

#include "base/SelectedObject.h"

namespace DuiLib {

namespace {

// Every font of the toolkit starts from the system's GUI font, so that
// whatever the skin leaves unsaid (quality, pitch, ...) matches the system.
LOGFONTW SystemGuiLogFont() {
  LOGFONTW lf = {};
  ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  lf.lfCharSet = DEFAULT_CHARSET;
  return lf;
}

std::unique_ptr<TFontInfo> MakeFont(const std::wstring& face, int size, bool bold, bool underline, bool italic) {
  LOGFONTW lf = SystemGuiLogFont();
  // The face field holds 31 characters and the terminator; a longer name is cut.
  wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  lf.lfFaceName[LF_FACESIZE - 1] = L'\0';
  lf.lfHeight = -size;
  if (bold) lf.lfWeight += FW_BOLD;
  // The platform documents weights up to 1000; the system font's 400 plus
  // 700 would leave that range.
  if (lf.lfWeight > 1000) lf.lfWeight = 1000;
  if (underline) lf.lfUnderline = TRUE;
  if (italic) lf.lfItalic = TRUE;
  UniqueFont font(::CreateFontIndirectW(&lf));
  if (!font) return nullptr;
  auto info = std::make_unique<TFontInfo>();
  info->font = std::move(font);
  info->face = face;
  info->size = size;
  info->bold = bold;
  info->underline = underline;
  info->italic = italic;
  return info;
}

void FillMetrics(TFontInfo* info, HDC dc) {
  if (!info->font) return;
  SelectedObject selected(dc, info->font.Get());
  TEXTMETRICW tm = {};
  if (::GetTextMetricsW(dc, &tm)) {
    info->metrics = tm;
    info->hasMetrics = true;
  }
}

}  // namespace

CFontTableUI& CFontTableUI::Shared() {
  static CFontTableUI table;
  return table;
}

TFontInfo* CFontTableUI::Add(int id, const std::wstring& face, int size, bool bold, bool underline, bool italic,
                             HDC dc) {
  if (id < 0 || face.empty()) return nullptr;
  std::unique_ptr<TFontInfo> info = MakeFont(face, size, bold, underline, italic);
  if (!info) return nullptr;
  if (dc) FillMetrics(info.get(), dc);
  std::unique_ptr<TFontInfo>& slot = fonts_[id];
  slot = std::move(info);  // the font stored earlier under this id is deleted here
  return slot.get();
}

TFontInfo* CFontTableUI::Find(int id) {
  auto it = fonts_.find(id);
  return it == fonts_.end() ? nullptr : it->second.get();
}

TFontInfo* CFontTableUI::Default() {
  if (this == &Shared() && !default_.font) {
    // The process default: the system GUI font itself, only the character
    // set widened, recorded with the size and style it really has.
    LOGFONTW lf = SystemGuiLogFont();
    default_.font.Reset(::CreateFontIndirectW(&lf));
    default_.face = lf.lfFaceName;
    default_.size = -lf.lfHeight;
    default_.bold = lf.lfWeight >= FW_BOLD;
    default_.underline = lf.lfUnderline != 0;
    default_.italic = lf.lfItalic != 0;
    default_.hasMetrics = false;
  }
  return &default_;
}

bool CFontTableUI::SetDefault(const std::wstring& face, int size, bool bold, bool underline, bool italic, HDC dc) {
  // A default without a face name would read as "no default of this scope".
  if (face.empty()) return false;
  std::unique_ptr<TFontInfo> info = MakeFont(face, size, bold, underline, italic);
  if (!info) return false;
  if (dc) FillMetrics(info.get(), dc);
  default_ = std::move(*info);
  return true;
}

void CFontTableUI::EnsureMetrics(TFontInfo* info, HDC dc) {
  if (!info || info->hasMetrics || !dc) return;
  FillMetrics(info, dc);
}

void CFontTableUI::RefreshMetrics(HDC dc) {
  if (!dc) return;
  for (auto& entry : fonts_) FillMetrics(entry.second.get(), dc);
  if (default_.font) FillMetrics(&default_, dc);
}

}  // namespace DuiLib

#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "duilib/core/ControlEventUI.h"
#include "duilib/core/NotificationUI.h"
#include "duilib/core/TDrawInfo.h"
#include "duilib/core/UIDefines.h"

namespace DuiLib {

class CWindowHostUI;
class CControlUI;

// Predicate of FindControl: returns the control it accepts, or null.
using FindControlProc = CControlUI* (*)(CControlUI* control, void* data);

// Float percentages of a floating control (fractions of the parent's size).
struct TPercentInfo {
  double left = 0, top = 0, right = 0, bottom = 0;
};

// The base of every skinned control: position, sizes, padding, colours,
// border, background image, visibility, hit testing, events and the painting
// order. A control is owned by its parent container (the root by its host);
// it holds non-owning pointers to its host and parent. UI thread only.
class CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  virtual const std::wstring& GetName() const;
  virtual void SetName(const std::wstring& name);
  virtual const wchar_t* GetClass() const;  // "Control"
  // The control itself as the interface named `name` ("Control"), or null.
  virtual void* GetInterface(const wchar_t* name);
  virtual UINT GetControlFlags() const;  // UIFLAG_*
  // False when the control is invisible or disabled.
  virtual bool Activate();

  virtual CWindowHostUI* GetManager() const;
  // Connects the control (and its children) to `manager` under `parent`;
  // with `init`, runs Init and registers the name with the host.
  virtual void SetManager(CWindowHostUI* manager, CControlUI* parent, bool init = true);
  virtual CControlUI* GetParent() const;
  // A single control drawn over this one (owned); null when none.
  virtual CControlUI* GetCover() const;
  // Takes ownership of `cover` (null removes), deleting the previous one.
  virtual void SetCover(CControlUI* cover);

  virtual const std::wstring& GetText() const;
  virtual void SetText(const std::wstring& text);

  // The item rectangle, in client co-ordinates of the window.
  virtual const RECT& GetPos() const;
  virtual void SetPos(RECT rc, bool needInvalidate = true);
  virtual void Move(SIZE offset, bool needInvalidate = true);
  virtual int GetWidth() const;
  virtual int GetHeight() const;
  virtual int GetX() const;
  virtual int GetY() const;
  virtual RECT GetPadding() const;
  virtual void SetPadding(RECT padding);
  virtual SIZE GetFixedXY() const;
  virtual void SetFixedXY(SIZE xy);
  virtual TPercentInfo GetFloatPercent() const;
  virtual void SetFloatPercent(TPercentInfo percent);
  // 0 means "not fixed". Setters ignore negative values.
  virtual int GetFixedWidth() const;
  virtual void SetFixedWidth(int cx);
  virtual int GetFixedHeight() const;
  virtual void SetFixedHeight(int cy);
  virtual int GetMinWidth() const;
  virtual void SetMinWidth(int cx);
  virtual int GetMaxWidth() const;  // never below the minimum width
  virtual void SetMaxWidth(int cx);
  virtual int GetMinHeight() const;
  virtual void SetMinHeight(int cy);
  virtual int GetMaxHeight() const;  // never below the minimum height
  virtual void SetMaxHeight(int cy);

  virtual const std::wstring& GetToolTip() const;
  virtual void SetToolTip(const std::wstring& text);
  virtual void SetToolTipWidth(int width);
  virtual int GetToolTipWidth() const;
  virtual wchar_t GetShortcut() const;
  virtual void SetShortcut(wchar_t ch);
  virtual bool IsContextMenuUsed() const;
  virtual void SetContextMenuUsed(bool used);
  virtual const std::wstring& GetUserData() const;
  virtual void SetUserData(const std::wstring& text);

  virtual bool IsVisible() const;  // own flag and every ancestor's
  virtual void SetVisible(bool visible = true);
  virtual void SetInternVisible(bool visible = true);
  virtual bool IsEnabled() const;
  virtual void SetEnabled(bool enabled = true);
  virtual bool IsMouseEnabled() const;
  virtual void SetMouseEnabled(bool enabled = true);
  virtual bool IsKeyboardEnabled() const;
  virtual void SetKeyboardEnabled(bool enabled = true);
  virtual bool IsFocused() const;
  virtual void SetFocus();
  virtual bool IsFloat() const;
  virtual void SetFloat(bool isFloat = true);

  // See UIDefines.h for the flags; the host hit-tests with
  // UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST and the point in `data`.
  virtual CControlUI* FindControl(FindControlProc proc, void* data, UINT flags);

  // Repaints the item rectangle (clipped by the visible ancestors).
  void Invalidate();
  bool IsUpdateNeeded() const;
  // Asks for a new layout of this control (a floating one lays itself out).
  void NeedUpdate();
  // Asks the parent for a new layout (the control itself when it floats).
  void NeedParentUpdate();

  virtual void Init();
  virtual void DoInit();

  virtual void Event(ControlEventUI& event);
  virtual void DoEvent(ControlEventUI& event);

  // Applies one skin attribute; unknown names are kept as custom attributes.
  virtual void SetAttribute(const wchar_t* name, const wchar_t* value);
  // Applies `name="value" name="value"` text; stops silently at a syntax error.
  void ApplyAttributeList(const wchar_t* list);
  // The custom attribute `name`, or null.
  const wchar_t* GetCustomAttribute(const wchar_t* name) const;

  // The size the control wants inside `available` (layouts call this).
  virtual SIZE EstimateSize(SIZE available);

  // Paints the part of the control that meets `rcPaint`. False when `stop`
  // was reached (painting ends there).
  virtual bool Paint(HDC dc, const RECT& rcPaint, CControlUI* stop = nullptr);
  virtual bool DoPaint(HDC dc, const RECT& rcPaint, CControlUI* stop);
  virtual void PaintBkColor(HDC dc);
  virtual void PaintBkImage(HDC dc);
  virtual void PaintStatusImage(HDC dc);
  virtual void PaintForeColor(HDC dc);
  virtual void PaintText(HDC dc);
  virtual void PaintBorder(HDC dc);
  virtual void DoPostPaint(HDC dc, const RECT& rcPaint);

  // Draws an image attribute into the item rectangle within the paint rectangle.
  bool DrawImage(HDC dc, TDrawInfo& info);

  DWORD GetBkColor() const { return bkColor_; }
  void SetBkColor(DWORD color);
  DWORD GetBkColor2() const { return bkColor2_; }
  void SetBkColor2(DWORD color);
  DWORD GetBkColor3() const { return bkColor3_; }
  void SetBkColor3(DWORD color);
  DWORD GetForeColor() const { return foreColor_; }
  void SetForeColor(DWORD color);
  const std::wstring& GetBkImage() const { return bkImage_.drawString; }
  void SetBkImage(const std::wstring& image);
  DWORD GetBorderColor() const { return borderColor_; }
  void SetBorderColor(DWORD color);
  DWORD GetFocusBorderColor() const { return focusBorderColor_; }
  void SetFocusBorderColor(DWORD color);
  RECT GetBorderSize() const { return borderSize_; }
  void SetBorderSize(RECT sizes);
  void SetBorderSize(int size);
  SIZE GetBorderRound() const { return borderRound_; }
  void SetBorderRound(SIZE round);
  const RECT& GetPaintRect() const { return paintRect_; }
  int GetBorderStyle() const { return borderStyle_; }

  // Listeners run by the host before its sinks (notifications sent by this
  // control).
  std::vector<std::function<void(NotificationUI&)>> OnNotify;

 protected:
  // Draws a border of `color` with `sizes` around the item rectangle (the
  // rounded, uniform or per-side form, as PaintBorder chooses).
  void DrawBorder(HDC dc, DWORD color, const RECT& sizes);

  CWindowHostUI* manager_ = nullptr;
  CControlUI* parent_ = nullptr;
  std::unique_ptr<CControlUI> cover_;
  std::wstring name_;
  bool updateNeeded_ = true;
  RECT itemRect_ = {0, 0, 0, 0};
  SIZE fixedXY_ = {0, 0};
  SIZE fixedSize_ = {0, 0};
  SIZE minSize_ = {0, 0};
  SIZE maxSize_ = {9999, 9999};
  bool visible_ = true;
  bool internVisible_ = true;
  bool enabled_ = true;
  bool mouseEnabled_ = true;
  bool keyboardEnabled_ = true;
  bool focused_ = false;
  bool float_ = false;
  TPercentInfo floatPercent_;
  std::wstring text_;
  std::wstring toolTip_;
  std::wstring userData_;
  int toolTipWidth_ = 300;
  wchar_t shortcut_ = 0;
  bool menuUsed_ = false;
  RECT padding_ = {0, 0, 0, 0};
  DWORD bkColor_ = 0;
  DWORD bkColor2_ = 0;
  DWORD bkColor3_ = 0;
  DWORD foreColor_ = 0;
  TDrawInfo bkImage_;
  DWORD borderColor_ = 0;
  DWORD focusBorderColor_ = 0;
  int borderStyle_ = PS_SOLID;
  SIZE borderRound_ = {0, 0};
  RECT paintRect_ = {0, 0, 0, 0};
  RECT borderSize_ = {0, 0, 0, 0};
  std::map<std::wstring, std::wstring> customAttributes_;
};

}  // namespace DuiLib

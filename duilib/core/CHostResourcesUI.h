#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "duilib/core/CFontTableUI.h"
#include "duilib/core/CImageCacheUI.h"
#include "duilib/core/TFontInfo.h"
#include "duilib/core/TImageInfo.h"

namespace DuiLib {

// The skin resources of one window host, each with a process-wide shared
// scope behind it: fonts, images, default attribute lists, the window's
// custom attributes, the default colours (0xAARRGGBB) and the language
// strings (process-wide only).
//
// Owns this window's fonts and images; the shared tables live for the whole
// process. UI thread only.
class CHostResourcesUI {
 public:
  // The colours every new host starts with; SetDefault* changes only this one.
  struct Colors {
    DWORD disabled = 0xFFA7A6AA;
    DWORD font = 0xFF000000;
    DWORD link = 0xFF0000FF;
    DWORD linkHover = 0xFFD3215F;
    DWORD selected = 0xFFBAE4FF;
  };

  CHostResourcesUI();
  CHostResourcesUI(const CHostResourcesUI&) = delete;
  CHostResourcesUI& operator=(const CHostResourcesUI&) = delete;

  Colors& DefaultColors() { return colors_; }
  const Colors& DefaultColors() const { return colors_; }

  // Fonts: `dc` fills metrics (null: the screen's, where metrics are needed).
  TFontInfo* AddFont(int id, const std::wstring& face, int size, bool bold, bool underline, bool italic, bool isDefault,
                     bool shared, HDC dc);
  TFontInfo* GetFontInfo(int index, HDC dc);
  TFontInfo* GetDefaultFontInfo(HDC dc);
  // The window's device context changed: this window's fonts measure anew.
  void RefreshFontMetrics(HDC dc);

  void AddDefaultAttributeList(const std::wstring& className, const std::wstring& list, bool shared);
  const wchar_t* GetDefaultAttributeList(const std::wstring& className) const;

  const TImageInfo* GetImage(const std::wstring& name) const;
  const TImageInfo* AddImage(const std::wstring& name, const std::wstring& resType, DWORD mask, bool hsl, bool shared);

  void AddCustomAttribute(const std::wstring& name, const std::wstring& value);
  const wchar_t* GetCustomAttribute(const std::wstring& name) const;

  static void AddLanguageString(int id, const std::wstring& text);
  static const std::wstring* GetLanguageString(int id);

 private:
  // Metrics on first use, from `dc` or, without one, the screen's.
  static TFontInfo* WithMetrics(TFontInfo* info, HDC dc);

  CFontTableUI fonts_;
  CImageCacheUI images_;
  std::map<std::wstring, std::wstring> attributeLists_;
  std::map<std::wstring, std::wstring> customAttributes_;
  Colors colors_;
};

}  // namespace DuiLib

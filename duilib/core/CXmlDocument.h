#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "duilib/core/CXmlNode.h"

namespace DuiLib {

// One element of a parsed document. Offsets are character offsets into the
// document's text buffer; indexes point into the element table, 0 = none.
struct XmlElement {
  uint32_t nameOffset;
  uint32_t firstChild;
  uint32_t nextSibling;
  uint32_t parent;
  uint32_t contentOffset;
};

enum class XmlEncoding { Utf8 = 0, Utf16 = 1, Ansi = 2 };

// A skin document: the text as one UTF-16 buffer rewritten in place, plus a
// flat table of elements in document order (element 1 is the root, index 0 is
// reserved). The document owns both; nodes (CXmlNode) are views into it and
// must not outlive it or a later load.
//
// Every load first drops the previous text. A failed load returns false,
// leaves no buffer and no table, and keeps a message (at most 99 characters)
// and an excerpt of the text where parsing stopped (at most 49). Malformed
// input never reads or writes outside the buffer. Single-threaded.
class CXmlDocument {
 public:
  // Texts above this size are refused by LoadFromFile ("File too large").
  static constexpr size_t kMaxFileSize = 4194304;
  // Elements nest at most this many levels deep (the root is level 1);
  // deeper nesting is refused instead of exhausting the stack.
  static constexpr unsigned kMaxDepth = 256;

  CXmlDocument();
  ~CXmlDocument();
  CXmlDocument(const CXmlDocument&) = delete;
  CXmlDocument& operator=(const CXmlDocument&) = delete;

  bool Load(const wchar_t* text);
  bool LoadFromMem(const BYTE* bytes, size_t size, XmlEncoding encoding = XmlEncoding::Utf8);
  // The file comes from the skin package when one is set, else from the disk
  // under the resource path (CResourceSettingsUI::ReadSkinFile).
  bool LoadFromFile(const wchar_t* name, XmlEncoding encoding = XmlEncoding::Utf8);
  void Release();

  bool IsValid() const { return elements_ != nullptr; }
  CXmlNode GetRoot();

  const wchar_t* GetLastErrorMessage() const { return errorMessage_; }
  const wchar_t* GetLastErrorLocation() const { return errorLocation_; }

  // For tests and diagnosis: the element table as parsed.
  uint32_t ElementCount() const { return elementCount_; }
  uint32_t ElementCapacity() const { return elementCapacity_; }

 private:
  friend class CXmlNode;

  bool Parse();
  bool ParseElements(wchar_t*& p, uint32_t parent, unsigned depth);
  // At "<!" or "<?" (the "<" already cut): skips to the closing "->" or "?>".
  void SkipDeclaration(wchar_t*& p);
  // A new element whose name starts at `p`, linked after `previous` (or as
  // the first child of `parent`); `previous` becomes it. False when out of
  // memory.
  bool AppendElement(const wchar_t* p, uint32_t parent, uint32_t& previous);
  // At "</": the end tag must name `name`; past its ">" on success.
  bool ParseEndTag(wchar_t*& p, const wchar_t* name, size_t nameLength);
  bool ParseAttributes(wchar_t*& p);
  void ParseData(wchar_t*& p, wchar_t*& dest, wchar_t end);
  void ParseEntity(wchar_t*& p, wchar_t*& dest);
  XmlElement* ReserveElement();
  bool Fail(const wchar_t* message, const wchar_t* location);

  static void SkipWhitespace(wchar_t*& p);
  static void SkipWhitespace(const wchar_t*& p);
  static void SkipIdentifier(wchar_t*& p);

  wchar_t* text_ = nullptr;
  XmlElement* elements_ = nullptr;
  uint32_t elementCount_ = 0;
  uint32_t elementCapacity_ = 0;
  wchar_t errorMessage_[100] = {};
  wchar_t errorLocation_[50] = {};
  bool preserveWhitespace_ = true;
};

}  // namespace DuiLib

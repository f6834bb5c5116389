#include "duilib/core/CXmlDocument.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <new>
#include <vector>

#include "duilib/core/CResourceSettingsUI.h"

namespace DuiLib {

namespace {

void CopyLimited(wchar_t* out, size_t capacity, const wchar_t* in) {
  size_t i = 0;
  if (in != nullptr) {
    for (; i + 1 < capacity && in[i] != 0; ++i) out[i] = in[i];
  }
  out[i] = 0;
}

bool StartsWith(const wchar_t* p, const wchar_t* word) {
  // Stops at the first difference, so a NUL in the text ends the comparison.
  for (; *word != 0; ++p, ++word) {
    if (*p != *word) return false;
  }
  return true;
}

struct Entity {
  const wchar_t* name;  // with its semicolon
  size_t length;
  wchar_t value;
};
constexpr Entity kEntities[] = {
    {L"amp;", 4, L'&'}, {L"lt;", 3, L'<'}, {L"gt;", 3, L'>'}, {L"quot;", 5, L'"'}, {L"apos;", 5, L'\''},
};

const wchar_t* LoaderMessage(SkinReadResult result) {
  switch (result) {
    case SkinReadResult::FileOpenFailed:
      return L"Error opening file";
    case SkinReadResult::Empty:
      return L"File is empty";
    case SkinReadResult::TooLarge:
      return L"File too large";
    case SkinReadResult::FileReadFailed:
      return L"Could not read file";
    case SkinReadResult::ZipOpenFailed:
      return L"Error opening zip file";
    case SkinReadResult::MemberNotFound:
      return L"Could not find ziped file";
    case SkinReadResult::UnzipFailed:
      return L"Could not unzip file";
    case SkinReadResult::Ok:
      break;
  }
  return L"";
}

}  // namespace

CXmlDocument::CXmlDocument() = default;

CXmlDocument::~CXmlDocument() {
  Release();
}

void CXmlDocument::Release() {
  delete[] text_;
  text_ = nullptr;
  std::free(elements_);
  elements_ = nullptr;
  elementCount_ = 0;
  elementCapacity_ = 0;
}

bool CXmlDocument::Fail(const wchar_t* message, const wchar_t* location) {
  CopyLimited(errorMessage_, sizeof errorMessage_ / sizeof errorMessage_[0], message);
  // The location points into the buffer that is about to go: copy it first.
  CopyLimited(errorLocation_, sizeof errorLocation_ / sizeof errorLocation_[0], location);
  Release();
  return false;
}

bool CXmlDocument::Load(const wchar_t* text) {
  Release();
  if (text == nullptr) return Fail(L"Expected start tag", nullptr);
  const size_t length = ::wcslen(text);
  text_ = new (std::nothrow) wchar_t[length + 1];
  if (text_ == nullptr) return Fail(L"Out of memory", nullptr);
  std::memcpy(text_, text, (length + 1) * sizeof(wchar_t));
  return Parse();
}

bool CXmlDocument::LoadFromMem(const BYTE* bytes, size_t size, XmlEncoding encoding) {
  Release();
  if (bytes == nullptr && size > 0) return Fail(L"Could not read file", nullptr);
  if (encoding == XmlEncoding::Utf16) {
    if (size < 2 || !((bytes[0] == 0xFE && bytes[1] == 0xFF) || (bytes[0] == 0xFF && bytes[1] == 0xFE))) {
      return Fail(L"Unsupported encoding: UTF-16 without a byte order mark", nullptr);
    }
    const bool bigEndian = bytes[0] == 0xFE;
    const size_t count = size / 2 - 1;  // a trailing odd byte is dropped
    text_ = new (std::nothrow) wchar_t[count + 1];
    if (text_ == nullptr) return Fail(L"Out of memory", nullptr);
    std::memcpy(text_, bytes + 2, count * sizeof(wchar_t));
    if (bigEndian) {
      for (size_t i = 0; i < count; ++i) text_[i] = static_cast<wchar_t>((text_[i] << 8) | (text_[i] >> 8));
    }
    text_[count] = 0;
    return Parse();
  }
  if (encoding != XmlEncoding::Utf8 && encoding != XmlEncoding::Ansi) return Fail(L"Unsupported encoding", nullptr);

  UINT codePage = CP_ACP;
  if (encoding == XmlEncoding::Utf8) {
    codePage = CP_UTF8;
    if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
      bytes += 3;
      size -= 3;
    }
  }
  if (size > INT_MAX) return Fail(L"File too large", nullptr);
  const char* source = reinterpret_cast<const char*>(bytes);
  int chars = 0;
  if (size > 0) {
    chars = ::MultiByteToWideChar(codePage, 0, source, static_cast<int>(size), nullptr, 0);
    if (chars <= 0) return Fail(L"Could not read file", nullptr);
  }
  text_ = new (std::nothrow) wchar_t[static_cast<size_t>(chars) + 1];
  if (text_ == nullptr) return Fail(L"Out of memory", nullptr);
  if (chars > 0) ::MultiByteToWideChar(codePage, 0, source, static_cast<int>(size), text_, chars);
  text_[chars] = 0;
  return Parse();
}

bool CXmlDocument::LoadFromFile(const wchar_t* name, XmlEncoding encoding) {
  Release();
  std::vector<BYTE> bytes;
  const SkinReadResult result = CResourceSettingsUI::ReadSkinFile(name, bytes, kMaxFileSize);
  if (result != SkinReadResult::Ok) return Fail(LoaderMessage(result), nullptr);
  return LoadFromMem(bytes.data(), bytes.size(), encoding);
}

CXmlNode CXmlDocument::GetRoot() {
  if (elements_ == nullptr || elementCount_ < 2) return CXmlNode();
  return CXmlNode(this, 1);
}

XmlElement* CXmlDocument::ReserveElement() {
  if (elementCount_ == 0) elementCapacity_ = 0;
  if (elementCount_ >= elementCapacity_) {
    const size_t capacity = static_cast<size_t>(elementCapacity_) + elementCapacity_ / 2 + 500;
    if (capacity > UINT32_MAX / sizeof(XmlElement)) return nullptr;
    void* grown = std::realloc(elements_, capacity * sizeof(XmlElement));
    if (grown == nullptr) return nullptr;
    elements_ = static_cast<XmlElement*>(grown);
    elementCapacity_ = static_cast<uint32_t>(capacity);
  }
  return &elements_[elementCount_++];
}

bool CXmlDocument::Parse() {
  elementCount_ = 0;
  XmlElement* reserved = ReserveElement();
  if (reserved == nullptr) return Fail(L"Out of memory", nullptr);
  *reserved = XmlElement{0, 0, 0, 0, 0};
  errorMessage_[0] = 0;
  errorLocation_[0] = 0;
  wchar_t* p = text_;
  return ParseElements(p, 0, 0);
}

void CXmlDocument::SkipWhitespace(wchar_t*& p) {
  while (*p > 0 && *p <= L' ') ++p;
}

void CXmlDocument::SkipWhitespace(const wchar_t*& p) {
  while (*p > 0 && *p <= L' ') ++p;
}

void CXmlDocument::SkipIdentifier(wchar_t*& p) {
  for (;; ++p) {
    const wchar_t c = *p;
    if (c < 0x80) {
      if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' || c == L':') {
        continue;
      }
      return;
    }
    if (!std::iswalnum(c)) return;
  }
}

bool CXmlDocument::ParseElements(wchar_t*& p, uint32_t parent, unsigned depth) {
  // Depth 0 holds the top-level elements: kMaxDepth levels in all.
  if (depth >= kMaxDepth) return Fail(L"Elements nested too deeply", p);
  uint32_t previous = 0;
  SkipWhitespace(p);
  for (;;) {
    // The root's end tags may be missing: the text may simply stop.
    if (*p == 0 && parent <= 1) return true;
    SkipWhitespace(p);
    if (*p != L'<') return Fail(L"Expected start tag", p);
    if (p[1] == L'/') return true;  // the caller's end tag
    *p++ = 0;
    SkipWhitespace(p);
    if (*p == L'!' || *p == L'?') {
      SkipDeclaration(p);
      continue;
    }
    SkipWhitespace(p);

    if (!AppendElement(p, parent, previous)) return Fail(L"Out of memory", p);
    const uint32_t index = previous;

    wchar_t* const name = p;
    SkipIdentifier(p);
    wchar_t* const nameEnd = p;
    if (*p == 0) return Fail(L"Error parsing element name", p);
    if (!ParseAttributes(p)) return false;

    SkipWhitespace(p);
    if (p[0] == L'/' && p[1] == L'>') {
      elements_[index].contentOffset = static_cast<uint32_t>(p - text_);
      *p = 0;
      p += 2;
    } else {
      if (*p != L'>') return Fail(L"Expected start-tag closing", p);
      ++p;
      elements_[index].contentOffset = static_cast<uint32_t>(p - text_);
      wchar_t* content = p;
      ParseData(p, content, L'<');
      if (*p == 0 && parent <= 1) {
        // Text ends inside the root: end the name and the content here so
        // that neither runs on into what follows.
        *content = 0;
        *nameEnd = 0;
        return true;
      }
      if (*p != L'<') return Fail(L"Expected end-tag start", p);
      if (p[1] != L'/') {
        if (!ParseElements(p, index, depth + 1)) return false;
        // The text ended inside the root's children: its own text still
        // needs its end, or it would run into what decoding left behind.
        if (*p == 0) *content = 0;
      }
      if (p[0] == L'<' && p[1] == L'/') {
        *content = 0;
        if (!ParseEndTag(p, name, static_cast<size_t>(nameEnd - name))) return false;
      }
    }
    *nameEnd = 0;
    SkipWhitespace(p);
  }
}

void CXmlDocument::SkipDeclaration(wchar_t*& p) {
  // Comments, the declaration and any other <!...> are skipped unread.
  const wchar_t closer = *p == L'!' ? L'-' : L'?';
  while (*p != 0 && !(p[0] == closer && p[1] == L'>')) ++p;
  if (*p != 0) p += 2;
  SkipWhitespace(p);
}

bool CXmlDocument::AppendElement(const wchar_t* p, uint32_t parent, uint32_t& previous) {
  if (ReserveElement() == nullptr) return false;
  const uint32_t index = elementCount_ - 1;
  elements_[index] = XmlElement{static_cast<uint32_t>(p - text_), 0, 0, parent, 0};
  if (previous != 0) {
    elements_[previous].nextSibling = index;
  } else if (parent != 0) {
    elements_[parent].firstChild = index;
  }
  previous = index;
  return true;
}

bool CXmlDocument::ParseEndTag(wchar_t*& p, const wchar_t* name, size_t nameLength) {
  *p = 0;
  p += 2;
  SkipWhitespace(p);
  for (size_t i = 0; i < nameLength; ++i) {
    if (p[i] != name[i]) return Fail(L"Unmatched closing tag", p);
  }
  p += nameLength;
  SkipWhitespace(p);
  if (*p != L'>') return Fail(L"Unmatched closing tag", p);
  ++p;
  return true;
}

bool CXmlDocument::ParseAttributes(wchar_t*& p) {
  // A "/" right behind the name belongs to "/>", which the caller checks.
  if (*p == L'>' || *p == L'/') return true;
  *p++ = 0;
  for (;;) {
    SkipWhitespace(p);
    if (*p == 0 || *p == L'>' || *p == L'/') return true;
    SkipIdentifier(p);
    wchar_t* const nameEnd = p;
    SkipWhitespace(p);
    if (*p != L'=') return Fail(L"Error while parsing attributes", p);
    *p++ = L' ';
    *nameEnd = 0;
    SkipWhitespace(p);
    if (*p != L'"') return Fail(L"Expected attribute value", p);
    ++p;
    wchar_t* value = p;
    ParseData(p, value, L'"');
    if (*p == 0) return Fail(L"Error while parsing attribute string", p);
    *value = 0;
    if (value != p) *p = L' ';
    ++p;
  }
}

void CXmlDocument::ParseEntity(wchar_t*& p, wchar_t*& dest) {
  for (const Entity& entity : kEntities) {
    if (StartsWith(p, entity.name)) {
      *dest++ = entity.value;
      p += entity.length;
      return;
    }
  }
  // Unknown names and numeric references stay as written.
  *dest++ = L'&';
}

void CXmlDocument::ParseData(wchar_t*& p, wchar_t*& dest, wchar_t end) {
  while (*p != 0 && *p != end) {
    if (*p == L'&') {
      ++p;
      ParseEntity(p, dest);
      continue;
    }
    if (*p == L' ') {
      *dest++ = *p++;
      if (!preserveWhitespace_) SkipWhitespace(p);
      continue;
    }
    *dest++ = *p++;
  }
  // What decoding freed becomes blanks, so that the attribute walk can step
  // over it as whitespace.
  for (wchar_t* q = dest + 1; q < p; ++q) *q = L' ';
}

}  // namespace DuiLib

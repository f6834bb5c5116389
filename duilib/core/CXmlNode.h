#pragma once

#include <cstddef>
#include <cstdint>

namespace DuiLib {

class CXmlDocument;

// A view of one element of a CXmlDocument: a fixed-size value that allocates
// nothing. Attributes are located on first use, at most 64 per element (later
// ones are never visible). The returned pointers point into the document's
// buffer and stay valid until the document is reloaded or destroyed. A node
// without a document is the invalid node; every query on it returns the
// invalid node, null, 0, "" or false.
class CXmlNode {
 public:
  static constexpr int kMaxAttributes = 64;

  CXmlNode() = default;
  CXmlNode(CXmlDocument* document, int index);

  bool IsValid() const { return document_ != nullptr; }
  const wchar_t* GetName() const;
  const wchar_t* GetValue() const;  // the element's text content
  CXmlNode GetParent();
  CXmlNode GetSibling();
  CXmlNode GetChild();
  bool HasChildren() const;

  int GetAttributeCount();
  bool HasAttributes();
  // "" for an index outside 0..count-1.
  const wchar_t* GetAttributeName(int index);
  const wchar_t* GetAttributeValue(int index);
  // Case-sensitive; the first of equal names wins. Null when absent.
  const wchar_t* GetAttributeValue(const wchar_t* name);
  bool HasAttribute(const wchar_t* name) { return GetAttributeValue(name) != nullptr; }
  // Copies the value into `buffer`, at most capacity - 1 characters and always
  // terminated; false (buffer untouched) when absent.
  bool GetAttributeValue(const wchar_t* name, wchar_t* buffer, size_t capacity);

 private:
  struct Attribute {
    uint32_t nameOffset;
    uint32_t valueOffset;
  };
  void MapAttributes();

  int index_ = 0;
  int attributeCount_ = 0;
  bool mapped_ = false;
  Attribute attributes_[kMaxAttributes] = {};
  CXmlDocument* document_ = nullptr;
};

}  // namespace DuiLib

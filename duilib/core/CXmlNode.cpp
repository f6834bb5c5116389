#include "duilib/core/CXmlNode.h"

#include <cwchar>

#include "duilib/core/CXmlDocument.h"

namespace DuiLib {

CXmlNode::CXmlNode(CXmlDocument* document, int index) : index_(index), document_(document) {}

const wchar_t* CXmlNode::GetName() const {
  if (document_ == nullptr) return nullptr;
  return document_->text_ + document_->elements_[index_].nameOffset;
}

const wchar_t* CXmlNode::GetValue() const {
  if (document_ == nullptr) return nullptr;
  return document_->text_ + document_->elements_[index_].contentOffset;
}

CXmlNode CXmlNode::GetParent() {
  if (document_ == nullptr) return CXmlNode();
  const uint32_t parent = document_->elements_[index_].parent;
  return parent == 0 ? CXmlNode() : CXmlNode(document_, static_cast<int>(parent));
}

CXmlNode CXmlNode::GetSibling() {
  if (document_ == nullptr) return CXmlNode();
  const uint32_t next = document_->elements_[index_].nextSibling;
  return next == 0 ? CXmlNode() : CXmlNode(document_, static_cast<int>(next));
}

CXmlNode CXmlNode::GetChild() {
  if (document_ == nullptr) return CXmlNode();
  const uint32_t child = document_->elements_[index_].firstChild;
  return child == 0 ? CXmlNode() : CXmlNode(document_, static_cast<int>(child));
}

bool CXmlNode::HasChildren() const {
  return document_ != nullptr && document_->elements_[index_].firstChild != 0;
}

int CXmlNode::GetAttributeCount() {
  if (document_ == nullptr) return 0;
  MapAttributes();
  return attributeCount_;
}

bool CXmlNode::HasAttributes() {
  return GetAttributeCount() > 0;
}

const wchar_t* CXmlNode::GetAttributeName(int index) {
  if (index < 0 || index >= GetAttributeCount()) return L"";
  return document_->text_ + attributes_[index].nameOffset;
}

const wchar_t* CXmlNode::GetAttributeValue(int index) {
  if (index < 0 || index >= GetAttributeCount()) return L"";
  return document_->text_ + attributes_[index].valueOffset;
}

const wchar_t* CXmlNode::GetAttributeValue(const wchar_t* name) {
  if (name == nullptr) return nullptr;
  const int count = GetAttributeCount();
  for (int i = 0; i < count; ++i) {
    if (std::wcscmp(document_->text_ + attributes_[i].nameOffset, name) == 0) {
      return document_->text_ + attributes_[i].valueOffset;
    }
  }
  return nullptr;
}

bool CXmlNode::GetAttributeValue(const wchar_t* name, wchar_t* buffer, size_t capacity) {
  const wchar_t* value = GetAttributeValue(name);
  if (value == nullptr) return false;
  if (buffer == nullptr || capacity == 0) return true;
  size_t i = 0;
  for (; i + 1 < capacity && value[i] != 0; ++i) buffer[i] = value[i];
  buffer[i] = 0;
  return true;
}

void CXmlNode::MapAttributes() {
  if (mapped_) return;
  mapped_ = true;
  attributeCount_ = 0;
  // The parser left: name NUL, then per attribute optional blanks, name NUL,
  // blank, optional blanks, quote, value NUL. Every step is bounded by the
  // element's content offset, so a malformed layout cannot walk past it.
  const wchar_t* const text = document_->text_;
  const XmlElement& element = document_->elements_[index_];
  const wchar_t* p = text + element.nameOffset;
  const wchar_t* const end = text + element.contentOffset;
  while (p < end && *p != 0) ++p;
  if (p >= end) return;
  ++p;
  while (p < end) {
    while (p<end&& * p> 0 && *p <= L' ') ++p;
    if (p >= end) return;
    const uint32_t nameOffset = static_cast<uint32_t>(p - text);
    while (p < end && *p != 0) ++p;
    if (p >= end) return;
    ++p;
    while (p<end&& * p> 0 && *p <= L' ') ++p;
    if (p >= end || *p != L'"') return;
    ++p;
    attributes_[attributeCount_++] = Attribute{nameOffset, static_cast<uint32_t>(p - text)};
    if (attributeCount_ >= kMaxAttributes) return;
    while (p < end && *p != 0) ++p;
    if (p >= end) return;
    ++p;
  }
}

}  // namespace DuiLib

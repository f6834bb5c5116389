#include "tests/duilib/XmlDescribe.h"

std::wstring DescribeList(DuiLib::CXmlNode node) {
  std::wstring out;
  for (; node.IsValid(); node = node.GetSibling()) {
    if (!out.empty()) out += L",";
    out += node.GetName();
    const int count = node.GetAttributeCount();
    if (count > 0) {
      out += L"{";
      for (int i = 0; i < count; ++i) {
        if (i > 0) out += L",";
        out += node.GetAttributeName(i);
        out += L"=";
        out += node.GetAttributeValue(i);
      }
      out += L"}";
    }
    if (node.HasChildren()) out += L"(" + DescribeList(node.GetChild()) + L")";
  }
  return out;
}

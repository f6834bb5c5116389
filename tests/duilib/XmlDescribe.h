#pragma once

#include <string>

#include "duilib/core/CXmlNode.h"

// The element list starting at `node` and everything below it, as text:
// Name{attr=value,...}(children),Sibling...  Attributes and children are left
// out when there are none.
std::wstring DescribeList(DuiLib::CXmlNode node);

#include <gtest/gtest.h>

#include <string>

#include "duilib/core/CXmlDocument.h"
#include "tests/duilib/XmlDescribe.h"
#include "tests/support/Files.h"

using DuiLib::CXmlDocument;
using DuiLib::CXmlNode;
using DuiLib::XmlEncoding;

namespace {

struct ParseCase {
  const wchar_t* text;
  const wchar_t* shape;    // DescribeList of the root on success ("" = no element)
  const wchar_t* message;  // the error message on failure, null on success
};

const ParseCase kParseCases[] = {
    // The skins begin with a comment, a line break and the declaration.
    {L"<!-- skin -->\r\n<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Window size=\"1,2\"><Label /></Window>",
     L"Window{size=1,2}(Label)", nullptr},
    {L"<A a=\"x&quot;y\"/>", L"A{a=x\"y}", nullptr},
    {L"<A a=\"&lt;&gt;&amp;&apos;\"/>", L"A{a=<>&'}", nullptr},
    {L"<A a=\"&nbsp;&#65;&\"/>", L"A{a=&nbsp;&#65;&}", nullptr},
    {L"<A a=\"it's\"/>", L"A{a=it's}", nullptr},
    {L"<A a='x'/>", nullptr, L"Expected attribute value"},
    {L"<A><B/></A>", L"A(B)", nullptr},
    {L"<A><B /></A>", L"A(B)", nullptr},
    {L"<A><B></B></A>", L"A(B)", nullptr},
    {L"<A></B>", nullptr, L"Unmatched closing tag"},
    {L"<AB></A>", nullptr, L"Unmatched closing tag"},
    {L"<A></AB>", nullptr, L"Unmatched closing tag"},
    {L"<A></A x>", nullptr, L"Unmatched closing tag"},
    {L"<A>x</A >", L"A", nullptr},
    {L"<Window><Label />", L"Window(Label)", nullptr},
    {L"<Window><Label a=\"1\">text", L"Window(Label{a=1})", nullptr},
    {L"<A><B><C>x", nullptr, L"Expected end-tag start"},
    {L"<A><B><C/>", nullptr, L"Expected start tag"},
    {L"", L"", nullptr},
    {L"  \r\n\t ", L"", nullptr},
    {L"<!-- nothing else -->", L"", nullptr},
    {L"text", nullptr, L"Expected start tag"},
    {L"<A", nullptr, L"Error parsing element name"},
    {L"<A a=\"x\"", nullptr, L"Expected start-tag closing"},
    {L"<A a=\"x", nullptr, L"Error while parsing attribute string"},
    {L"<A a\"x\"/>", nullptr, L"Error while parsing attributes"},
    {L"<A a=x/>", nullptr, L"Expected attribute value"},
    {L"<A/x>", nullptr, L"Expected start-tag closing"},
    {L"<A a = \"1\"b=\"2\" />", L"A{a=1,b=2}", nullptr},
    {L"<A b=\"1\" b=\"2\"/>", L"A{b=1,b=2}", nullptr},
    {L"<A/><B/>", L"A,B", nullptr},
    {L"<A>1<B/><C/></A>", L"A(B,C)", nullptr},
    {L"<A>1<B/>2</A>", nullptr, L"Expected start tag"},  // no text between children
    {L"<a:b c_d=\"1\" e9=\"\"/>", L"a:b{c_d=1,e9=}", nullptr},
    {L"<\x7a97\x53e3 \x540d=\"\x503c\"/>", L"\x7a97\x53e3{\x540d=\x503c}", nullptr},
    {L"<A><!-- c --><B/><?pi?></A>", L"A(B)", nullptr},
    {L"<A><!DOCTYPE x -><B/></A>", L"A(B)", nullptr},
    {L"<A>\n  <B\n    x=\"1\"\n  />\n</A>\n", L"A(B{x=1})", nullptr},
};

TEST(XmlDocument, ParsesTheAcceptedSubsetAndNamesEachFailure) {
  for (const ParseCase& c : kParseCases) {
    const std::string label = Narrow(c.text);
    CXmlDocument document;
    const bool loaded = document.Load(c.text);
    if (c.message == nullptr) {
      ASSERT_TRUE(loaded) << label << ": " << Narrow(document.GetLastErrorMessage());
      EXPECT_TRUE(document.IsValid()) << label;
      EXPECT_EQ(DescribeList(document.GetRoot()), c.shape) << label;
      EXPECT_STREQ(document.GetLastErrorMessage(), L"") << label;
    } else {
      EXPECT_FALSE(loaded) << label;
      EXPECT_STREQ(document.GetLastErrorMessage(), c.message) << label;
      EXPECT_FALSE(document.IsValid()) << label;
      EXPECT_FALSE(document.GetRoot().IsValid()) << label;
    }
  }
}

TEST(XmlDocument, ErrorLocationIsTheTextWhereParsingStopped) {
  CXmlDocument document;
  EXPECT_FALSE(document.Load(L"<A></B>"));
  EXPECT_STREQ(document.GetLastErrorLocation(), L"B>");

  std::wstring longText = L"<A>" + std::wstring(200, L'x') + L"<B></C>";
  EXPECT_FALSE(document.Load(longText.c_str()));
  EXPECT_EQ(std::wstring(document.GetLastErrorLocation()), L"C>");
  longText = L"<A a=" + std::wstring(200, L'y');
  EXPECT_FALSE(document.Load(longText.c_str()));
  EXPECT_EQ(std::wstring(document.GetLastErrorLocation()), std::wstring(49, L'y'));

  // A good load clears the old message.
  EXPECT_TRUE(document.Load(L"<A/>"));
  EXPECT_STREQ(document.GetLastErrorMessage(), L"");
}

TEST(XmlDocument, ContentKeepsWhitespaceAndDecodesEntities) {
  CXmlDocument document;
  ASSERT_TRUE(document.Load(L"<A> x &amp;\r\n y </A>"));
  EXPECT_STREQ(document.GetRoot().GetValue(), L" x &\r\n y ");
  ASSERT_TRUE(document.Load(L"<A b=\"1\"/>"));
  EXPECT_STREQ(document.GetRoot().GetValue(), L"");
  ASSERT_TRUE(document.Load(L"<Window>text"));
  EXPECT_STREQ(document.GetRoot().GetName(), L"Window");
  EXPECT_STREQ(document.GetRoot().GetValue(), L"text");
  // The root's text ends where its first child starts, also when the end
  // tags are missing and decoding left old characters behind it.
  ASSERT_TRUE(document.Load(L"<Window>a&amp;b<Label/>"));
  EXPECT_STREQ(document.GetRoot().GetValue(), L"a&b");
}

TEST(XmlDocument, ElementLinksAreNumberedInDocumentOrder) {
  CXmlDocument document;
  ASSERT_TRUE(document.Load(L"<R><A><A1/><A2/></A><B/></R>"));
  CXmlNode root = document.GetRoot();
  EXPECT_STREQ(root.GetName(), L"R");
  EXPECT_FALSE(root.GetParent().IsValid());
  CXmlNode a = root.GetChild();
  CXmlNode a2 = a.GetChild().GetSibling();
  EXPECT_STREQ(a2.GetName(), L"A2");
  EXPECT_FALSE(a2.GetSibling().IsValid());
  EXPECT_FALSE(a2.HasChildren());
  EXPECT_STREQ(a2.GetParent().GetName(), L"A");
  EXPECT_STREQ(a.GetSibling().GetName(), L"B");
  EXPECT_EQ(document.ElementCount(), 6u);  // index 0 is reserved
}

TEST(XmlDocument, AttributeLookupIsCaseSensitiveFirstWinsAndCapsAt64) {
  CXmlDocument document;
  ASSERT_TRUE(document.Load(L"<A Name=\"x\" dup=\"1\" dup=\"2\"/>"));
  CXmlNode node = document.GetRoot();
  EXPECT_EQ(node.GetAttributeValue(L"name"), nullptr);
  EXPECT_STREQ(node.GetAttributeValue(L"Name"), L"x");
  EXPECT_STREQ(node.GetAttributeValue(L"dup"), L"1");
  EXPECT_STREQ(node.GetAttributeName(3), L"");
  EXPECT_STREQ(node.GetAttributeValue(-1), L"");

  wchar_t buffer[3] = {L'?', L'?', L'?'};
  EXPECT_FALSE(node.GetAttributeValue(L"missing", buffer, 3));
  EXPECT_EQ(buffer[0], L'?');
  ASSERT_TRUE(document.Load(L"<A v=\"hello\"/>"));
  node = document.GetRoot();
  EXPECT_TRUE(node.GetAttributeValue(L"v", buffer, 3));
  EXPECT_STREQ(buffer, L"he");  // cut and still terminated

  std::wstring many = L"<A";
  for (int i = 0; i < 70; ++i) many += L" a" + std::to_wstring(i) + L"=\"" + std::to_wstring(i) + L"\"";
  many += L"/>";
  ASSERT_TRUE(document.Load(many.c_str()));
  node = document.GetRoot();
  EXPECT_EQ(node.GetAttributeCount(), 64);
  EXPECT_STREQ(node.GetAttributeName(63), L"a63");
  EXPECT_STREQ(node.GetAttributeValue(L"a63"), L"63");
  EXPECT_EQ(node.GetAttributeValue(L"a64"), nullptr);
}

TEST(XmlDocument, InvalidNodeAnswersEmpty) {
  CXmlNode none;
  EXPECT_FALSE(none.IsValid());
  EXPECT_EQ(none.GetName(), nullptr);
  EXPECT_FALSE(none.GetChild().IsValid());
  EXPECT_FALSE(none.GetSibling().IsValid());
  EXPECT_FALSE(none.HasChildren());
  EXPECT_EQ(none.GetAttributeCount(), 0);
  EXPECT_FALSE(none.HasAttributes());
  EXPECT_STREQ(none.GetAttributeName(0), L"");
  EXPECT_EQ(none.GetAttributeValue(L"a"), nullptr);
}

TEST(XmlDocument, ElementTableGrowsByHalfPlus500) {
  struct Case {
    int elements;
    uint32_t capacity;
  } cases[] = {{1, 500}, {499, 500}, {500, 1250}, {1249, 1250}, {1250, 2375}};
  for (const Case& c : cases) {
    std::wstring text = L"<R>";
    for (int i = 1; i < c.elements; ++i) text += L"<C/>";
    text += L"</R>";
    CXmlDocument document;
    ASSERT_TRUE(document.Load(text.c_str()));
    EXPECT_EQ(document.ElementCount(), static_cast<uint32_t>(c.elements) + 1);
    EXPECT_EQ(document.ElementCapacity(), c.capacity) << c.elements;
  }
}

TEST(XmlDocument, DeepNestingFailsInsteadOfExhaustingTheStack) {
  std::wstring ok, deep;
  for (unsigned i = 0; i < CXmlDocument::kMaxDepth; ++i) ok += L"<A>";
  for (unsigned i = 0; i < 100000; ++i) deep += L"<A>";
  CXmlDocument document;
  EXPECT_FALSE(document.Load(ok.c_str()));  // unclosed, but deep enough to parse
  EXPECT_STREQ(document.GetLastErrorMessage(), L"Expected end-tag start");
  // 256 levels are the most a document may nest; one more is refused.
  std::wstring closes;
  for (unsigned i = 0; i < CXmlDocument::kMaxDepth; ++i) closes += L"</A>";
  EXPECT_TRUE(document.Load((ok + closes).c_str())) << Narrow(document.GetLastErrorMessage());
  EXPECT_FALSE(document.Load((ok + L"<A>" + closes + L"</A>").c_str()));
  EXPECT_STREQ(document.GetLastErrorMessage(), L"Elements nested too deeply");
  EXPECT_FALSE(document.Load(deep.c_str()));
  EXPECT_STREQ(document.GetLastErrorMessage(), L"Elements nested too deeply");
}

TEST(XmlDocument, EncodingsDecodeToTheSameTree) {
  const std::string utf8 = "<Window t=\"\xE5\x8D\x87\xE7\xBA\xA7\"><Label/></Window>";
  const std::wstring expected = L"Window{t=\x5347\x7ea7}(Label)";
  const std::string bom = "\xEF\xBB\xBF";
  std::string le = "\xFF\xFE", be = "\xFE\xFF";
  const std::wstring wide = Widen(utf8);
  for (wchar_t c : wide) {
    le += static_cast<char>(c & 0xFF);
    le += static_cast<char>(c >> 8);
    be += static_cast<char>(c >> 8);
    be += static_cast<char>(c & 0xFF);
  }
  struct Case {
    const char* what;
    std::string bytes;
    XmlEncoding encoding;
  } cases[] = {
      {"utf-8", utf8, XmlEncoding::Utf8},
      {"utf-8 with mark", bom + utf8, XmlEncoding::Utf8},
      {"utf-16 little-endian", le, XmlEncoding::Utf16},
      {"utf-16 big-endian", be, XmlEncoding::Utf16},
      {"utf-16 with an odd last byte", le + "\x01", XmlEncoding::Utf16},
      // An odd byte that would be markup if it were read as a character.
      {"utf-16 little-endian with an odd '<'", le + "<", XmlEncoding::Utf16},
      {"utf-16 big-endian with an odd '<'", be + "<", XmlEncoding::Utf16},
      {"utf-16 with an odd 'A'", le + "A", XmlEncoding::Utf16},
  };
  for (const Case& c : cases) {
    CXmlDocument document;
    ASSERT_TRUE(document.LoadFromMem(reinterpret_cast<const BYTE*>(c.bytes.data()), c.bytes.size(), c.encoding))
        << c.what;
    EXPECT_EQ(DescribeList(document.GetRoot()), expected) << c.what;
  }

  CXmlDocument document;
  const std::string ascii = "<A b=\"c\"/>";
  ASSERT_TRUE(document.LoadFromMem(reinterpret_cast<const BYTE*>(ascii.data()), ascii.size(), XmlEncoding::Ansi));
  EXPECT_EQ(DescribeList(document.GetRoot()), L"A{b=c}");
  EXPECT_FALSE(document.LoadFromMem(reinterpret_cast<const BYTE*>(ascii.data()), ascii.size(), XmlEncoding::Utf16));
  EXPECT_FALSE(document.IsValid());
  EXPECT_TRUE(document.LoadFromMem(reinterpret_cast<const BYTE*>("\xFF\xFE"), 2, XmlEncoding::Utf16));
  EXPECT_FALSE(document.GetRoot().IsValid());
}

}  // namespace

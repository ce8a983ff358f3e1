#include "playlist/xml_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Lib/kw/err/error.h"

namespace kw::xml {
namespace {

std::string cut(std::string_view doc, Span span) { return std::string(doc.substr(span.begin, span.end - span.begin)); }

TEST(XmlTextTest, ElementsEndWhereTheirEndTagDoes) {
  const struct {
    const char* doc;  // the element starts at the first '<'
    const char* content;
    const char* whole;
  } cases[] = {
      {"<a>x</a>tail", "x", "<a>x</a>"},
      {"<a b='>' c=\"/>\">y</a >", "y", "<a b='>' c=\"/>\">y</a >"},
      {"<t><t/><t>z</t></t>!", "<t/><t>z</t>", "<t><t/><t>z</t></t>"},
      {"<a><!-- </a> --><![CDATA[</a>]]><?p </a>?></a>", "<!-- </a> --><![CDATA[</a>]]><?p </a>?>",
       "<a><!-- </a> --><![CDATA[</a>]]><?p </a>?></a>"},
      {"<a href=\"x\" />", "", "<a href=\"x\" />"},
  };
  for (const auto& c : cases) {
    const Element element = elementAt(c.doc, 0);
    EXPECT_EQ(cut(c.doc, element.content), c.content) << c.doc;
    EXPECT_EQ(cut(c.doc, element.whole), c.whole) << c.doc;
  }
  std::string deep = "<d>";
  for (int i = 0; i < 100000; ++i) deep += "<d>";
  for (int i = 0; i < 100000; ++i) deep += "</d>";
  deep += "</d><after/>";
  EXPECT_EQ(elementAt(deep, 0).whole.end, deep.size() - 8);
}

TEST(XmlTextTest, AttributesAndTextAreDecoded) {
  const std::string doc = "<ref x='1' HREF = \"a&amp;b&#x20;&#233;\tc\r\nd \" href='second'/>";
  const auto href = attributeOf(doc, 0, "href");
  ASSERT_TRUE(href);
  EXPECT_EQ(href->quote, '"');
  TextCodec utf8("UTF-8");
  EXPECT_EQ(attributeText(doc, href->value, utf8), "a&b \xC3\xA9 c d");
  EXPECT_FALSE(attributeOf(doc, 0, "src"));

  const std::string text = "<t> \n a<!-- x --><![CDATA[<b>&amp;]]>&#10;<i>no</i>&lt;\xE9\t</t>";
  TextCodec latin1("ISO-8859-1");
  EXPECT_EQ(contentText(text, elementAt(text, 0).content, latin1), "a<b>&amp;\n<\xC3\xA9");
  TextCodec windows("WINDOWS-1252");
  EXPECT_EQ(windows.toUtf8("\x93x\x94\x81"), "\xE2\x80\x9Cx\xE2\x80\x9D\xC2\x81");  // 0x81 is undefined
}

// Every set a document may declare has its table, on every platform; a
// Vietnamese text keeps its last letter and joins a letter with its tone mark.
TEST(XmlTextTest, EveryDeclarableSetHasItsTable) {
  std::vector<std::string> names{"ASCII"};
  for (int n = 1; n <= 16; ++n) {
    if (n != 12) names.push_back("ISO-8859-" + std::to_string(n));
  }
  for (int n = 1250; n <= 1258; ++n) names.push_back("WINDOWS-" + std::to_string(n));
  for (const std::string& name : names) {
    ASSERT_EQ(supportedCharset(name), name);
    EXPECT_NO_THROW(TextCodec{name}) << name;
  }
  EXPECT_THROW(TextCodec("SHIFT_JIS"), err::Error);
  const TextCodec vietnamese("WINDOWS-1258");
  EXPECT_EQ(vietnamese.toUtf8("Vi\xEA\xF2t abe"), "Vi\xE1\xBB\x87t abe");
  std::string written;
  vietnamese.appendCharacter(0x1EC7, written);
  EXPECT_EQ(written, "\xEA\xF2");
}

TEST(XmlTextTest, NewTextIsEscapedForTheDocumentsCharacterSet) {
  const std::string text = "a&<>\"'\t\n\x01 \xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5 \xE9";
  TextCodec utf8("UTF-8"), latin1("ISO-8859-1"), ascii("ASCII");
  EXPECT_EQ(escaped(text, utf8), "a&amp;&lt;&gt;\"'&#9;&#10; \xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5 \xC3\xA9");
  EXPECT_EQ(escaped(text, latin1, '"'), "a&amp;&lt;&gt;&quot;'&#9;&#10; \xE9&#8364;&#127925; \xE9");
  EXPECT_EQ(escaped(text, ascii, '\''), "a&amp;&lt;&gt;\"&apos;&#9;&#10; &#233;&#8364;&#127925; &#233;");
}

TEST(XmlTextTest, CharacterSetsByTheirUsualNames) {
  const std::pair<const char*, const char*> names[] = {
      {"", "UTF-8"},           {"utf-8", "UTF-8"},           {"UTF8", "UTF-8"},
      {"us-ascii", "ASCII"},   {"iso-8859-1", "ISO-8859-1"}, {"ISO_8859-15", "ISO-8859-15"},
      {"latin1", "ISO-8859-1"}, {"Windows-1252", "WINDOWS-1252"}, {"cp1251", "WINDOWS-1251"},
      {"UTF-16", nullptr},     {"Shift_JIS", nullptr},       {"ISO-8859-12", nullptr},
      {"iso-8859-01", nullptr}, {"windows-1259", nullptr}};
  for (const auto& [declared, canonical] : names) {
    const auto found = supportedCharset(declared);
    EXPECT_EQ(found ? found->c_str() : "(none)", std::string(canonical ? canonical : "(none)")) << declared;
  }
  EXPECT_TRUE(isValidUtf8("a\xC3\xA9\xF0\x9F\x8E\xB5"));
  for (const char* bad : {"\xE9", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC3"}) {
    EXPECT_FALSE(isValidUtf8(bad)) << bad;
  }
}

TEST(XmlTextTest, BadReferencesAreFound) {
  const std::pair<const char*, const char*> cases[] = {
      {"a &lt;&gt;&amp;&apos;&quot;&#65;&#x1F3B5;", nullptr},
      {"x&nbsp;y", "Undefined entity '&nbsp;'"},
      {"&#0;", "Bad character reference '&#0;'"},
      {"&#xD800;", "Bad character reference '&#xD800;'"},
      {"&#99999999999;", "Bad character reference '&#99999999999;'"},
      {"&#x;", "Bad character reference '&#x;'"},
      {"fish & chips", "'&' that starts no reference"},
      {"&amp", "'&' that starts no reference"},
  };
  for (const auto& [raw, description] : cases) {
    const auto bad = badReference(raw);
    EXPECT_EQ(bad ? bad->description : "(none)", description ? description : "(none)") << raw;
  }
  EXPECT_EQ(badReference("ok &amp; &bad;")->offset, 9u);
}

}  // namespace
}  // namespace kw::xml

#include "playlist/xml_playlist.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <sstream>

#include "Lib/kw/err/error.h"
#include "Lib/kw/sys_dep/path_rules.h"
#include "playlist/path_forms.h"
#include "playlist/reader.h"
#include "playlist/writer.h"
#include "tests/support/test_support.h"

namespace kw {
namespace {

using Texts = std::vector<std::string>;
using trackmend_test::readFile;
using trackmend_test::writeFile;

// "path" or "path|info", with a leading '-' when deleted.
Texts describe(const PlayList& list) {
  Texts result;
  for (const PlaylistEntry& entry : list.entries) {
    result.push_back((entry.deleted ? "-" : "") + entry.path + (entry.extInfo ? "|" + *entry.extInfo : ""));
  }
  return result;
}

class XmlPlaylistTest : public ::testing::Test {
 protected:
  // Reads `bytes` as the file `name` into list_: the progress after the
  // "Reading playlist" line, or the error's text.
  std::string read(const std::string& bytes, const std::string& name = "list.xspf") {
    list_ = PlayList(dir_.file(name));
    writeFile(list_.fileName, bytes);
    std::ostringstream progress, warnings;
    try {
      readPlaylist(list_, progress, warnings);
    } catch (const err::Error& e) {
      return e.what();
    }
    return progress.str().substr(progress.str().find('\n') + 1);
  }
  std::string error(int line, const std::string& message, const std::string& name = "list.xspf") const {
    return "Error in " + dir_.file(name) + " (#" + std::to_string(line) + "): " + message;
  }
  // Saves list_ and returns what was written under its name, or under
  // `renamed` in the scratch folder.
  std::string saved(const std::string& renamed = "") {
    std::ostringstream progress;
    savePlaylist(list_, progress);
    return readFile(renamed.empty() ? list_.fileName : dir_.file(renamed));
  }

  trackmend_test::ScratchDir dir_;
  PlayList list_{""};
};

TEST_F(XmlPlaylistTest, DetectionByTheRootAndRefusals) {
  const std::string kTracks = "<trackList><track><location>a</location></track></trackList>";
  const std::pair<std::string, std::string> cases[] = {
      {"<?xml version=\"1.0\"?>\n<playlist xmlns=\"http://xspf.org/ns/0/\">" + kTracks + "</playlist>",
       "Detected xspf format.\n"},
      {"<xspf:playlist xmlns:xspf=\"http://xspf.org/ns/0/\"/>", "Detected xspf format.\n"},
      {"\xEF\xBB\xBF \r\n\t<?wpl version=\"1.0\"?><SMIL><body/></SMIL>", "Detected wpl format.\n"},
      {"<Asx version=\"3.0\"></Asx>", "Detected asx format.\n"},
      {"<html><body>x</body></html>", error(0, "Not a playlist: XML document 'html'.")},
      {"<playlist>\n<trackList>\n<track>", error(3, "XML error: Start-end tags mismatch")},
      {"<playlist>\n<title>A&nbsp;B</title>\n</playlist>", error(2, "XML error: Undefined entity '&nbsp;'")},
      {"<!DOCTYPE p [<!ENTITY e \"v\">]><playlist><title>&e;</title></playlist>",
       error(1, "XML error: Undefined entity '&e;'")},
      {"<asx>\n<entry><ref href=\"a&#1;\"/></entry></asx>", error(2, "XML error: Bad character reference '&#1;'")},
      {"<playlist><title>Fish & Chips</title></playlist>", error(1, "XML error: '&' that starts no reference")},
      {"<asx/>\r\n<asx/>", error(2, "XML error: More than one root element")},
      {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><asx/>", error(1, "XML error: Unsupported encoding 'Shift_JIS'")},
      {std::string("<\0a\0/\0>\0", 8), error(0, "UTF-16 text is not supported.")},
      {std::string("ID3\x04\0\0\0\0\0\x21<asx/>", 16),
       error(0, "Not a playlist: audio, video, image or archive data.")},
  };
  for (const auto& [bytes, outcome] : cases) {
    EXPECT_EQ(read(bytes), outcome) << bytes;
    EXPECT_EQ(readFile(list_.fileName), bytes);
  }
}

TEST_F(XmlPlaylistTest, XspfTracks) {
  read("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
       "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\" xml:base=\"file:///base/\">\n"
       "  <title>List</title><creator>Me</creator>\n"
       "  <trackList>\n"
       "    <track><location>file:///music/A%20B/01%20%C3%A9.mp3</location><creator>Art &amp; Co</creator>"
       "<title>Song</title><duration>194600</duration></track>\n"
       "    <track><location>Music/a%20b.ogg</location><title>  <![CDATA[<Only> title]]>\n &#10;x</title></track>\n"
       "    <track><location>http://h/s?a=1&amp;b=%20</location><duration>5000</duration></track>\n"
       "    <track><title>no location</title></track>\n"
       "    <track><location/><location> C:\\Music\\x%20.mp3 </location><creator>Nobody</creator></track>\n"
       "    <track><LOCATION>/abs/p%41th.mp3</LOCATION><Title>T</Title><duration>x</duration></track>\n"
       "  </trackList>\n"
       "</playlist>\n");
  EXPECT_EQ(describe(list_), (Texts{"/music/A B/01 \xC3\xA9.mp3|#EXTINF:194,Art & Co - Song",
                                    "Music/a b.ogg|#EXTINF:0,<Only> title   x", "http://h/s?a=1&b=%20",
                                    "C:\\Music\\x%20.mp3", "/abs/pAth.mp3|#EXTINF:0,T"}));
  read("<x:playlist xmlns:x=\"http://xspf.org/ns/0/\"><x:trackList><x:track><x:location>a.mp3</x:location>"
       "<title>not ours</title></x:track><track><location>b.mp3</location></track></x:trackList></x:playlist>");
  EXPECT_EQ(describe(list_), Texts{"a.mp3"});
}

TEST_F(XmlPlaylistTest, WplMedia) {
  read("<?wpl version=\"1.0\"?>\n<smil>\n  <head><title>W</title></head>\n  <body>\n    <seq>\n"
       "      <media src=\"..\\Music\\Can-linn &amp; K.mp3\" tid=\"{1}\"/>\n"
       "      <media src=\"Music/a%20b.mp3\" trackTitle=\"not read\"/>\n      <media/>\n"
       "      <media src='file:///C:/Music/x%20y.wma'/>\n    </seq>\n"
       "    <seq><smartPlaylist><querySet/></smartPlaylist></seq>\n"
       "    <seq><MEDIA SRC = \"\\\\server\\share\\z.mp3\" /></seq>\n  </body>\n</smil>\n",
       "list.wpl");
  EXPECT_EQ(describe(list_), (Texts{"..\\Music\\Can-linn & K.mp3", "Music/a%20b.mp3",
                                    *fileUriPath("file:///C:/Music/x%20y.wma"), "\\\\server\\share\\z.mp3"}));
}

TEST_F(XmlPlaylistTest, AsxEntriesInAnyLetterCaseAndCharacterSet) {
  read("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<ASX VERSION=\"3.0\">\n"
       "<ENTRY><TITLE>Caf\xE9</TITLE><AUTHOR>B\xFCro</AUTHOR><REF HREF=\"caf%C3%A9.mp3\"/><REF HREF=\"2.mp3\"/>"
       "</ENTRY>\n"
       "<REPEAT><Entry><ref href = 'http://x/y.asf'/></Entry>"
       "<REPEAT><entry><ref/><ref href=\"z.wma\"/><title>Z</title></entry></REPEAT></REPEAT>\n"
       "<ENTRYREF HREF=\"other.asx\"/>\n<ENTRY><TITLE>no ref</TITLE></ENTRY>\n</ASX>\n",
       "list.asx");
  EXPECT_EQ(describe(list_), (Texts{"caf\xC3\xA9.mp3|#EXTINF:0,B\xC3\xBCro - Caf\xC3\xA9", "http://x/y.asf",
                                    "z.wma|#EXTINF:0,Z"}));
  // Undeclared and not UTF-8: written by a Windows program.
  read("<asx><entry><title>\x93Q\x94 \xA9</title><ref href=\"a.mp3\"/></entry></asx>", "list.asx");
  EXPECT_EQ(describe(list_), Texts{"a.mp3|#EXTINF:0,\xE2\x80\x9CQ\xE2\x80\x9D \xC2\xA9"});
}

TEST_F(XmlPlaylistTest, XspfChangesAreSplicedIn) {
  read("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- kept -->\n"
       "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">\n  <trackList>\n"
       "    <track>\n      <location>file:///old/a%20b.mp3</location>\n      <creator>Art</creator>\n"
       "      <title>Old</title>\n      <duration>1000</duration>\n    </track>\n"
       "    <track>\n      <location>rel/x%20y.mp3</location>\n      <extension application=\"x\"><y/></extension>\n"
       "    </track>\n"
       "    <track>\n      <location>gone/whole.mp3</location>\n    </track>\n"
       "    <track><location>http://s/del</location></track> <track><location>kept.mp3</location></track>\n"
       "    <track>\n      <location>keep.mp3</location><title/>\n    </track>\n"
       "  </trackList>\n</playlist>\n");
  ASSERT_EQ(list_.entries.size(), 6u);
  list_.entries[0].path = "/new/\xC3\xA9 & b.mp3";
  list_.entries[0].extInfo = std::make_unique<std::string>("#EXTINF:245,Art - New <One>");
  list_.entries[1].path = "../up/y z.mp3";
  list_.entries[1].extInfo = std::make_unique<std::string>("#extinf:7,Solo");  // any case, as PLS
  list_.entries[2].deleted = list_.entries[3].deleted = true;
  list_.entries[4].path = "new dir/%41 b.mp3";  // written plain, as the track wrote it
  list_.entries[5].extInfo = std::make_unique<std::string>("#EXTINF:0,T");
  EXPECT_EQ(saved(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- kept -->\n"
            "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">\n  <trackList>\n"
            "    <track>\n      <location>file:///new/%C3%A9%20%26%20b.mp3</location>\n      <creator>Art</creator>\n"
            "      <title>New &lt;One&gt;</title>\n      <duration>245000</duration>\n    </track>\n"
            "    <track>\n      <location>../up/y%20z.mp3</location>\n      <title>Solo</title>\n"
            "      <duration>7000</duration>\n      <extension application=\"x\"><y/></extension>\n"
            "    </track>\n"
            "     <track><location>new dir/%2541 b.mp3</location></track>\n"
            "    <track>\n      <location>keep.mp3</location><title>T</title>\n    </track>\n"
            "  </trackList>\n</playlist>\n");
  const Texts expected = {"/new/\xC3\xA9 & b.mp3|#EXTINF:245,Art - New <One>", "../up/y z.mp3|#EXTINF:7,Solo",
                          "new dir/%41 b.mp3", "keep.mp3|#EXTINF:0,T"};
  read(readFile(list_.fileName));
  EXPECT_EQ(describe(list_), expected);
}

TEST_F(XmlPlaylistTest, WplChangesKeepQuotesAndLineEnds) {
  read("<?wpl version=\"1.0\"?>\r\n<smil>\r\n  <head>\r\n    <meta name=\"ItemCount\" content=\"3\"/>\r\n  </head>\r\n"
       "  <body>\r\n    <seq>\r\n      <media src='..\\Old\\a.mp3' tid=\"{A}\"/>\r\n      <media src=\"gone.wma\"/>\r\n"
       "      <media src=\"Music/b.mp3\"/>\r\n    </seq>\r\n  </body>\r\n</smil>\r\n",
       "list.zpl");
  list_.entries[0].path = "..\\New\\Rock 'n' Roll & Co.mp3";
  list_.entries[0].extInfo = std::make_unique<std::string>("#EXTINF:1,no place for it");
  list_.entries[1].deleted = true;
  list_.entries[2].path = "Music/new b%.mp3";
  EXPECT_EQ(saved(),
            "<?wpl version=\"1.0\"?>\r\n<smil>\r\n  <head>\r\n    <meta name=\"ItemCount\" content=\"3\"/>\r\n"
            "  </head>\r\n  <body>\r\n    <seq>\r\n"
            "      <media src='..\\New\\Rock &apos;n&apos; Roll &amp; Co.mp3' tid=\"{A}\"/>\r\n"
            "      <media src=\"Music/new b%.mp3\"/>\r\n    </seq>\r\n  </body>\r\n</smil>\r\n");
}

TEST_F(XmlPlaylistTest, AsxChangesStayInTheDocumentsCharacterSet) {
  read("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<ASX VERSION=\"3.0\">\n  <ENTRY>\n"
       "    <REF HREF=\"old%20one.mp3\"/>\n  </ENTRY>\n"
       "  <Entry><Title>Caf\xE9</Title><Ref href=\"x.mp3\"/></Entry>\n</ASX>\n",
       "list.asx");
  list_.entries[0].path = "new/\xC3\xA9.mp3";
  list_.entries[0].extInfo = std::make_unique<std::string>("#EXTINF:30,\xC3\x89t\xC3\xA9 \xE2\x82\xAC");
  list_.entries[1].path = "C:\\M\xC3\xBCsic\\y.mp3";
  list_.entries[1].extInfo = std::make_unique<std::string>("#EXTINF:0,\xC3\x87" "a");
  EXPECT_EQ(saved(),
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<ASX VERSION=\"3.0\">\n  <ENTRY>\n"
            "    <REF HREF=\"new/%C3%A9.mp3\"/>\n    <TITLE>\xC9t\xE9 &#8364;</TITLE>\n  </ENTRY>\n"
            "  <Entry><Title>\xC7" "a</Title><Ref href=\"C:\\M\xFCsic\\y.mp3\"/></Entry>\n</ASX>\n");
  read(readFile(list_.fileName), "list.asx");
  EXPECT_EQ(describe(list_), (Texts{"new/\xC3\xA9.mp3|#EXTINF:0,\xC3\x89t\xC3\xA9 \xE2\x82\xAC",
                                    "C:\\M\xC3\xBCsic\\y.mp3|#EXTINF:0,\xC3\x87" "a"}));
}

TEST_F(XmlPlaylistTest, ReplacedPathsKeepTheFormOfTheirLocation) {
  const struct {
    const char* name;
    const char* before;  // location as written
    const char* path;    // the replacement
    const char* after;   // location written
    const char* afterOnWindows = nullptr;  // where a drive path is native
  } cases[] = {
      {"list.xspf", "file:///C:/old/a.mp3", "D:/new/b.mp3", "file:///D%3A/new/b.mp3", "file:///D:/new/b.mp3"},
      {"list.xspf", "file:///old/a.mp3", "D:\\new\\b.mp3", "file:///D%3A%5Cnew%5Cb.mp3", "file:///D:/new/b.mp3"},
      {"list.xspf", "file:///old/a.mp3", "http://h/x?a&b", "http://h/x?a&amp;b"},
      {"list.xspf", "old dir/a.mp3", "/new/b c.mp3", "/new/b c.mp3"},
      {"list.wpl", "file:///old/a.mp3", "/new/b c.mp3", "file:///new/b%20c.mp3"},
      {"list.wpl", "old.mp3", "new 100%20.mp3", "new 100%20.mp3"},
      // XML holds characters: bytes that are not UTF-8 are percent-encoded
      // in the entry's own form, a relative reference staying relative.
      {"list.xspf", "old dir/a.mp3", "/new/Bj\xF6rk.mp3", "/new/Bj%F6rk.mp3"},
      {"list.xspf", "old/a.mp3", "new/Bj\xF6rk b.mp3", "new/Bj%F6rk%20b.mp3"},
      {"list.xspf", "C:\\old\\a.mp3", "C:\\Bj\xF6rk.mp3", "C%3A%5CBj%F6rk.mp3"},
      {"list.xspf", "file:///old/a.mp3", "/Bj\xF6rk.mp3", "file:///Bj%F6rk.mp3"},
      {"list.xspf", "old.mp3", "http://h/Bj\xF6rk", "http://h/Bj%F6rk"},
  };
  for (const auto& c : cases) {
    const bool wpl = std::string(c.name) == "list.wpl";
    const auto document = [&](const std::string& location) {
      return wpl ? "<smil><body><seq><media src=\"" + location + "\"/></seq></body></smil>"
                 : "<playlist><trackList><track><location>" + location + "</location></track></trackList></playlist>";
    };
    read(document(c.before), c.name);
    list_.entries.at(0).path = c.path;
    const bool windows = c.afterOnWindows && sys_dep::samePath("A", "a");
    EXPECT_EQ(saved(), document(windows ? c.afterOnWindows : c.after)) << c.before << " -> " << c.path;
    read(readFile(list_.fileName), c.name);
    if (!std::string_view(c.path).starts_with("http")) {  // a URL is read as written
      EXPECT_TRUE(sys_dep::samePath(list_.entries.at(0).path, c.path)) << list_.entries.at(0).path;
    }
  }
  EXPECT_TRUE(holdsPath(list_, "/Bj\xF6rk.mp3"));
  EXPECT_TRUE(holdsPath(list_, "file:///Bj\xF6rk.mp3"));
  EXPECT_FALSE(holdsPath(list_, "http://h/Bj\xF6rk.mp3"));  // a URL is read back as written
  EXPECT_TRUE(holdsPath(list_, "http://h/Bj\xC3\xB6rk.mp3"));
  read("<smil><body><seq><media src=\"a.mp3\"/></seq></body></smil>", "list.wpl");
  EXPECT_FALSE(holdsPath(list_, "/Bj\xF6rk.mp3"));  // a WPL src holds no bytes
  EXPECT_TRUE(holdsPath(list_, "/Bj\xC3\xB6rk.mp3"));
  list_.xmlSource.reset();  // converted to M3U
  EXPECT_TRUE(holdsPath(list_, "/Bj\xF6rk.mp3"));
}

// An information line changes a track only where the title, creator or
// duration written would differ from what it holds.
TEST_F(XmlPlaylistTest, InformationChangesOnlyWhatDiffers) {
  const struct {
    const char* name;
    const char* track;
    const char* info;
    bool changes;
  } cases[] = {
      {"list.xspf", "<creator>S</creator><title>T</title><duration>214600</duration>", "#EXTINF:215,S - T", false},
      {"list.xspf", "<creator>S</creator><title>T</title><duration>213900</duration>", "#EXTINF:215,S - T", true},
      {"list.xspf", "<creator>X</creator><title>S - T</title>", "#EXTINF:0,S - T", false},
      {"list.xspf", "<creator>S</creator>", "#EXTINF:0,S - T", true},
      {"list.xspf", "<title>T</title>", "#EXTINF:0,U", true},
      {"list.asx", "<author>S</author><title>T</title>", "#EXTINF:215,S - T", false},
      {"list.wpl", "", "#EXTINF:215,S - T", false},
  };
  for (const auto& c : cases) {
    const std::string name = c.name;
    read(name == "list.wpl"   ? "<smil><body><seq><media src=\"a.mp3\"/></seq></body></smil>"
         : name == "list.asx" ? std::string("<asx><entry><ref href=\"a.mp3\"/>") + c.track + "</entry></asx>"
                              : std::string("<playlist><trackList><track><location>a.mp3</location>") + c.track +
                                    "</track></trackList></playlist>",
         name);
    EXPECT_EQ(changesXmlInfo(list_, 0, c.info), c.changes) << c.track << " " << c.info;
  }
}

// A title given to a track that names its creator leaves the creator out;
// a duration that gives the length in whole seconds stays; a second run
// with the same lines changes nothing.
TEST_F(XmlPlaylistTest, CreatorWithoutTitleAndDurationsWithinASecond) {
  const std::string before =
      "<playlist><trackList>\n"
      "<track><location>/a.mp3</location><creator>Singer</creator></track>\n"
      "<track><location>/b.mp3</location><title>Old</title><duration>2900</duration></track>\n"
      "<track><location>/c.mp3</location><title>C</title><duration>5000</duration></track>\n"
      "</trackList></playlist>\n";
  const char* const lines[] = {"#EXTINF:2,Singer - Second", "#EXTINF:2,New", "#EXTINF:2,C"};
  read(before);
  for (size_t k = 0; k < 3; ++k) list_.entries[k].extInfo = std::make_unique<std::string>(lines[k]);
  const std::string after = saved();
  EXPECT_EQ(after,
            "<playlist><trackList>\n"
            "<track><location>/a.mp3</location><title>Second</title><duration>2000</duration>"
            "<creator>Singer</creator></track>\n"
            "<track><location>/b.mp3</location><title>New</title><duration>2900</duration></track>\n"
            "<track><location>/c.mp3</location><title>C</title><duration>2000</duration></track>\n"
            "</trackList></playlist>\n");
  read(after);
  for (size_t k = 0; k < 3; ++k) list_.entries[k].extInfo = std::make_unique<std::string>(lines[k]);
  EXPECT_EQ(saved(), after);
}

TEST_F(XmlPlaylistTest, SavedNamesAndConversion) {
  const std::string xspf = "<playlist><trackList><track><location>a</location></track></trackList></playlist>";
  const std::string wpl = "<smil/>", asx = "<asx/>";
  const std::pair<const char*, const std::string*> names[][2] = {
      {{"a.XSPF", &xspf}, {"a.xspf", nullptr}}, {{"b.zpl", &wpl}, {"b.zpl", nullptr}},
      {{"c.WVX", &asx}, {"c.wvx", nullptr}},    {{"d.m3u", &xspf}, {"d.xspf", nullptr}},
      {{"e.Wax", &asx}, {"e.wax", nullptr}},    {{"f.asx", &wpl}, {"f.wpl", nullptr}},
  };
  for (const auto& name : names) {
    read(*name[0].second, name[0].first);
    EXPECT_EQ(xmlPlaylistName(list_), dir_.file(name[1].first));
  }
  read(xspf, "dir.x");
  std::ostringstream progress;
  savePlaylist(list_, progress);
  EXPECT_EQ(progress.str(), "Saving '" + list_.fileName + "'\nPlaylist had wrong extension. Renamed to '" +
                                dir_.file("dir.xspf") + "'\n");
  EXPECT_EQ(readFile(dir_.file("dir.xspf")), xspf);

  read(xspf);
  list_.plsFormat = true;
  EXPECT_EQ(saved("list.pls"), "[playlist]\nnumberofentries=1\nfile1=a\n");
  read(xspf);
  list_.entries.emplace_back("b");  // no longer the document's tracks: written as M3U
  EXPECT_FALSE(writesXml(list_));
  EXPECT_EQ(saved("list.m3u"), "a\nb\n");
}

TEST_F(XmlPlaylistTest, DeepNestingCostsNoStack) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<d>";
  std::string closing;
  for (int i = 0; i < 100000; ++i) closing += "</d>";
  const std::string last = "<track><location>b</location></track>";
  read("<playlist><trackList><track><location>a</location><extension>" + deep + closing + "</extension></track>" +
       last + "</trackList></playlist>");
  EXPECT_EQ(describe(list_), (Texts{"a", "b"}));
  list_.entries[0].deleted = true;
  EXPECT_EQ(saved(), "<playlist><trackList>" + last + "</trackList></playlist>");
  EXPECT_EQ(read("<playlist>\n" + deep), error(2, "XML error: Start-end tags mismatch"));
  std::string repeats;
  for (int i = 0; i < 100000; ++i) repeats += "<repeat>";
  std::string ends;
  for (int i = 0; i < 100000; ++i) ends += "</repeat>";
  read("<asx>" + repeats + "<entry><ref href=\"in.mp3\"/></entry>" + ends + "</asx>", "list.asx");
  EXPECT_EQ(describe(list_), Texts{"in.mp3"});
}

// The real playlists of other projects: each is read or refused with a clear
// error, and rewritten byte for byte when nothing changed.
TEST_F(XmlPlaylistTest, CorpusFilesAreReadAndRewrittenUnchanged) {
  const std::string corpus = trackmend_test::corpusXmlDir();
  if (corpus.empty()) GTEST_SKIP() << "no shared XML corpus next to the source tree";
  const std::pair<const char*, const char*> samples[] = {
      {"lizzy_playlist.wpl", "D:\\Muzyka\\Eurowizja\\Eurowizja 2014\\Can-linn & Kasey Smith - Heartbeat(Irlandia).mp3"},
      {"totem_new-lastfm-output.xspf",
       "http://play.last.fm/user/6a6f102641afeff59b14dfaea19cf0a5.mp3|#EXTINF:194,Scarred Sun - Yellow"},
      {"lizzy_repeat.asx", "Butterfly.wmv|#EXTINF:0,Microsoft Corporation - Vista Butterfly Video"},
      {"totem_xml-base.xspf", "four"},
      {"totem_playlist.xspf", "http://207.200.96.226:8000 extraparam=1|#EXTINF:0,Sven Van Hess - Ocean Jive "
                              "(Groove Salad: a nicely chilled plate of ambient beats and grooves. [SomaFM])"}};
  DIR* dir = opendir(corpus.c_str());
  ASSERT_NE(dir, nullptr);
  int files = 0;
  while (const dirent* item = readdir(dir)) {
    const std::string name = item->d_name;
    if (name[0] == '.' || name.ends_with(".md")) continue;
    ++files;
    const std::string original = readFile(corpus + "/" + name);
    const std::string outcome = read(original, name);
    if (name == "totem_asf-with-asx-suffix.asx") {
      EXPECT_EQ(outcome, error(0, "Not a playlist: audio, video, image or archive data.", name));
      continue;
    }
    ASSERT_TRUE(outcome.starts_with("Detected ")) << name << ": " << outcome;
    for (const auto& [file, first] : samples) {
      if (name == file) {
        EXPECT_EQ(describe(list_).at(0), first);
      }
    }
    EXPECT_EQ(saved(), original) << name;
  }
  closedir(dir);
  EXPECT_EQ(files, 23);
}

}  // namespace
}  // namespace kw

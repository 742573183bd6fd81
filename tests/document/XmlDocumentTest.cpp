#include <clocale>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "DocTestUtil.h"
#include "SourceText.h"
#include "XmlSAX.h"
#include "XmlDocument.h"

using namespace doctest;
using namespace DocumentTexts;

namespace {

std::vector<std::string> MessageTexts(const TXMLDocument& aDoc) {
  std::vector<std::string> out;
  for (const auto& m : aDoc.Messages()) out.push_back(std::to_string(m.ImageIndex) + " " + U8(m.Text));
  return out;
}

// "kind name=value" per node in document order, with the depth as indentation.
std::string Dump(const TNodeTree& t) {
  std::string s;
  for (TNodeWalker w(t); !w.Done(); w.Next()) {
    s += std::string(static_cast<size_t>(w.Depth()), ' ');
    s += NodeTypeName(t.Typ(w.Node()));
    s += " " + U8(t.Name(w.Node())) + "=" + U8(t.Value(w.Node()));
    if (t.Expanded(w.Node())) s += " +";
    if (t.Hidden(w.Node())) s += " hidden";
    s += "\n";
  }
  return s;
}

TEST(XmlDocument, TreeShapeCountsAndMessages) {
  TXMLDocument doc;
  LoadText(doc,
           "<?xml version=\"1.0\"?>\n<!--first-->\n<?pi data?>\n"
           "<p a=\"1\" b=\"2\">one<b>two</b>three<e/>  <w>   </w><only k=\"v\"/></p>\n<!--after-->");
  EXPECT_EQ(Dump(doc.Tree()),
            "ntXML <?xml?>=\n"
            " ntAttr version=1.0\n"
            "ntComment Comment=first\n"
            "ntPI pi=data\n"
            "ntTag p=three +\n"
            " ntAttr a=1\n"
            " ntAttr b=2\n"
            " ntEmptyTag b=two\n"
            " ntEmptyTag e=\n"
            " ntEmptyTag w=\n"
            " ntTag only=\n"
            "  ntAttr k=v\n");
  EXPECT_EQ(doc.TagCnt(), 5);
  EXPECT_EQ(doc.AttrCnt(), 3);  // the declaration's pseudo-attributes do not count
  EXPECT_EQ(doc.PICnt(), 1);
  EXPECT_EQ(doc.Cnt(), (std::vector<std::u16string>{u"one<br/>", u"two<br/>", u"three<br/>"}));
  EXPECT_TRUE(doc.ContentVisible());
  const auto m = MessageTexts(doc);
  ASSERT_EQ(m.size(), 5u);
  EXPECT_EQ(m[0], "28 File size: " + std::to_string(doc.Size()) + " B");
  EXPECT_EQ(m[1], "17 Tag count: 5");
  EXPECT_EQ(m[2], "20 Processing Instruction count: 1");
  EXPECT_EQ(m[3], "19 Attribute count: 3");
  EXPECT_EQ(m[4].substr(0, 17), "22 Parsing time: ");
  EXPECT_FALSE(doc.LoadFailed());
  EXPECT_EQ(doc.Root(), cNoNode);
}

TEST(XmlDocument, ParseErrorKeepsTheNodesBuiltSoFar) {
  TXMLDocument doc;
  LoadText(doc, "<a><b>x</b><c>y</a>", /*strict=*/true);
  EXPECT_EQ(Dump(doc.Tree()), "ntEmptyTag a= +\n ntEmptyTag b=x\n ntEmptyTag c=y\n");
  ASSERT_TRUE(doc.LoadFailed());
  EXPECT_EQ(U8(doc.Messages().back().Text).rfind("Error at line 1 at position ", 0), 0u);
  EXPECT_NE(U8(doc.Messages().back().Text).find("Trying to close wrong element"), std::string::npos);
  // Tolerant, the same text loads without error.
  LoadText(doc, "<a><b>x</b><c>y</a>", false);
  EXPECT_FALSE(doc.LoadFailed());
}

TEST(XmlDocument, ShortFilesEmptyFilesAndMissingOnes) {
  TXMLDocument doc;
  // fewer bytes than the mark probe looks at: read as what they are
  for (const std::string& bytes : {std::string("<a/>"), std::string("\xEF\xBB\xBF<a/>"), std::string("<a>x</a>")}) {
    LoadText(doc, bytes, /*strict=*/true);
    EXPECT_FALSE(doc.LoadFailed()) << bytes;
    EXPECT_EQ(doc.TagCnt(), 1);
    EXPECT_EQ(doc.Tree().Name(doc.Tree().First()), u"a");
  }
  // nothing to show is reported, never a silent success
  for (const std::string& bytes : {std::string(), std::string("  \r\n "), std::string("just text")}) {
    LoadText(doc, bytes);
    EXPECT_TRUE(doc.Tree().Empty());
    ASSERT_EQ(doc.Messages().size(), 6u);
    EXPECT_TRUE(doc.LoadFailed());
    EXPECT_EQ(doc.Messages().back().ImageIndex, iiError);
    EXPECT_EQ(doc.Messages().back().Text, cNoContent);
  }
  doc.SetFilename(u"/nonexistent/quillon/file.xml");
  EXPECT_TRUE(doc.LoadFailed());
  EXPECT_EQ(doc.Messages().front().Text, u"File size: 0 B");
  EXPECT_EQ(doc.Messages().back().Text, cNotValidXML);
  EXPECT_FALSE(doc.FileChanged());  // a missing file is not reported as changed
}

// A document with more nodes than the tree may hold is not cut short silently: the load fails
// with the limit named and the tree keeps the nodes read up to it.
TEST(XmlDocument, NodeLimitEndsTheLoadLoudlyAndKeepsThePartRead) {
  TXMLDocument doc;
  doc.Tree().SetNodeLimit(4);
  LoadText(doc, "<r a='1'><x/><y>text</y><z/></r>");
  EXPECT_TRUE(doc.LoadFailed());
  EXPECT_EQ(doc.Messages().back().ImageIndex, iiError);
  EXPECT_EQ(U8(doc.Messages().back().Text),
            "The file cannot be loaded whole: Too many nodes. The tree holds the part read before.");
  EXPECT_EQ(Dump(doc.Tree()), "ntTag r=\n ntAttr a=1\n ntEmptyTag x=\n ntEmptyTag y=text\n");
}

// A folder, a FIFO nobody writes into and a device are refused at once, each by what it is: a
// FIFO used to hold the window (or the command) until a writer came, a pipe read as an empty
// document and a folder as "not valid XML". Every reader of a file goes through the same open,
// so a FIFO here would hang the test if any of them waited.
TEST(XmlDocument, FoldersPipesAndDevicesAreRefusedWithoutWaiting) {
  TScratchDir dir;
  ASSERT_TRUE(dir.Ok());
  ASSERT_EQ(mkfifo(dir.File("pipe.xml").c_str(), 0600), 0);
  ASSERT_EQ(mkdir(dir.File("folder.xml").c_str(), 0700), 0);
  const struct {
    std::string Name;
    const char* Reason;
  } cases[] = {
      {dir.File("pipe.xml"), "It is a pipe, not a regular file."},
      {dir.File("folder.xml"), "It is a folder, not a file."},
      {"/dev/null", "It is a device, not a regular file."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::u16string name16(c.Name.begin(), c.Name.end());
    const std::string expected = "Cannot open file \"" + c.Name + "\". " + c.Reason;
    TXMLDocument doc;
    doc.SetFilename(name16);
    EXPECT_TRUE(doc.LoadFailed());
    EXPECT_TRUE(doc.Tree().Empty());
    EXPECT_EQ(doc.Messages().back().ImageIndex, iiError);
    EXPECT_EQ(U8(doc.Messages().back().Text), expected);

    const auto refused = [&](auto&& aRead) {
      try {
        aRead();
      } catch (const EFOpenError& e) {
        return U8(e.Message());
      }
      return std::string("read");
    };
    EXPECT_EQ(refused([&] { BuildSourceText(name16, true); }), expected);
    EXPECT_EQ(refused([&] { LoadEditorFile(name16); }), expected);
    EXPECT_EQ(refused([&] { TSAXParser().ParseFile(name16); }), expected);
  }
  // A regular file behind a symbolic link is a file.
  {
    std::ofstream(dir.File("real.xml")) << "<r>ok</r>";
  }
  ASSERT_EQ(symlink(dir.File("real.xml").c_str(), dir.File("link.xml").c_str()), 0);
  TXMLDocument doc;
  doc.SetFilename(dir.File16("link.xml"));
  EXPECT_FALSE(doc.LoadFailed());
  EXPECT_EQ(Dump(doc.Tree()), "ntEmptyTag r=ok +\n");
}

// Running out of memory is named as such, not passed off as invalid XML. The load runs in a
// child process whose address space is capped a little above what it already uses.
TEST(XmlDocument, OutOfMemoryIsNamed) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer needs an uncapped address space";
#else
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
  GTEST_SKIP() << "the address sanitizer needs an uncapped address space";
#endif
#endif
  std::string xml = "<r>";
  for (int i = 0; i < 2000000; ++i) xml += "<e a=\"1\" b=\"2\"/>";
  xml += "</r>";
  TTempFile file(xml);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(fds[0]);
    long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
      std::fclose(f);
    }
    const rlim_t cap = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (32u << 20);
    const rlimit limit{cap, cap};
    setrlimit(RLIMIT_AS, &limit);
    TXMLDocument doc;
    doc.SetFilename(file.Name16());
    const std::string last = doc.LoadFailed() ? U8(doc.Messages().back().Text) : "loaded";
    if (write(fds[1], last.data(), last.size()) < 0) _exit(2);
    _exit(0);
  }
  close(fds[1]);
  std::string got;
  char buf[512];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) got.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(got, U8(cOutOfMemory));
#endif
}

TEST(XmlDocument, EncodingChoice) {
  struct Case {
    const char* Label;
    std::string Bytes;
    std::string ExpectedValue;  // UTF-8 of the element text
    std::string ExpectedEncoding;
  };
  const std::string utf16le("\xFF\xFE<\0r\0>\0\xE9\0<\0/\0r\0>\0", 18);
  const std::string utf16be("\xFE\xFF\0<\0r\0>\0\xE9\0<\0/\0r\0>", 18);
  const Case cases[] = {
      {"declared 8-bit", "<?xml version=\"1.0\" encoding=\"windows-1250\"?><r>\x9A</r>", "\xC5\xA1", "windows-1250"},
      {"no declaration is UTF-8", "<r>caf\xC3\xA9</r>   ", "caf\xC3\xA9", "utf-8"},
      {"UTF-8 mark", "\xEF\xBB\xBF<r>\xC3\xA9</r>    ", "\xC3\xA9", "utf-8"},
      {"UTF-16LE mark", utf16le, "\xC3\xA9", "utf-8"},
      {"UTF-16BE mark", utf16be, "\xC3\xA9", "utf-8"},
      {"unknown name leaves it to the parser", "<?xml version=\"1.0\" encoding=\"x-nonsense\"?><r>ok</r>", "ok",
       "x-nonsense"},
      // a mark wins over the declaration, as in the reader
      {"UTF-8 mark, UTF-16 declared", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-16\"?><r>\xC3\xA9</r>", "\xC3\xA9",
       "utf-16"},
      {"UTF-8 mark, 8-bit declared", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"windows-1250\"?><r>\xC5\xA1</r>",
       "\xC5\xA1", "windows-1250"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Label);
    TXMLDocument doc;
    LoadText(doc, c.Bytes);
    EXPECT_FALSE(doc.LoadFailed());
    TNodeIndex r = doc.Tree().First();
    while (r != cNoNode && !doc.Tree().IsElement(r)) r = doc.Tree().NextSibling(r);
    ASSERT_NE(r, cNoNode);
    EXPECT_EQ(U8(doc.Tree().Value(r)), c.ExpectedValue);
    EXPECT_EQ(U8(doc.Encoding()), c.ExpectedEncoding);
  }
}

// An encoding nobody can convert is named in a warning that says how the file was read.
TEST(XmlDocument, UnknownEncodingIsReported) {
  TXMLDocument doc;
  LoadText(doc, "<?xml version=\"1.0\" encoding=\"x-nonsense\"?><r>ok</r>");
  EXPECT_FALSE(doc.LoadFailed());
  const auto m = MessageTexts(doc);
  ASSERT_EQ(m.size(), 6u);
  EXPECT_EQ(m[5], "24 Encoding \"x-nonsense\" is not supported; the file was read as UTF-8.");
  LoadText(doc, "<?xml version=\"1.0\" encoding=\"utf-8\"?><r>ok</r>");
  EXPECT_EQ(doc.Messages().size(), 5u);
}

TEST(XmlDocument, ReloadKeepsTheLastDeclaredEncoding) {
  TXMLDocument doc;
  LoadText(doc, "<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?><r/>");
  EXPECT_EQ(doc.Encoding(), u"ISO-8859-2");
  LoadText(doc, "<r>no declaration</r>");
  EXPECT_EQ(doc.Encoding(), u"ISO-8859-2");
}

TEST(XmlDocument, AttributesInTreeOffHidesAttributeNodes) {
  TXMLDocument doc;
  LoadText(doc, "<!--c--><r id=\"1\"><x y=\"2\"/></r>", false, /*attributesInTree=*/false);
  EXPECT_EQ(Dump(doc.Tree()),
            "ntComment Comment=c\n"
            "ntTag r= +\n"
            " ntAttr id=1 hidden\n"
            " ntTag x=\n"
            "  ntAttr y=2 hidden\n");
  EXPECT_EQ(doc.AttrCnt(), 2);
  EXPECT_EQ(doc.Tree().VisibleChildCount(1), 1);
  doc.RefreshView(true);
  EXPECT_FALSE(doc.Tree().Hidden(2));
  EXPECT_EQ(doc.Tree().VisibleChildCount(1), 2);
}

TEST(XmlDocument, NumbersUseTheThousandsSeparator) {
  std::string xml = "<r>";
  for (int i = 0; i < 1233; ++i) xml += "<e/>";
  xml += "</r>";
  TXMLDocument doc;
  LoadText(doc, xml);
  const auto m = MessageTexts(doc);
  EXPECT_EQ(m[0], "28 File size: 4 KB");  // 4939 bytes, rounded down
  EXPECT_EQ(m[1], "17 Tag count: 1,234");

  TNumberFormat dots;
  dots.ThousandSeparator = u".";
  dots.DecimalSeparator = u",";
  EXPECT_EQ(FormatThousands(1234567, dots), u"1.234.567");
  EXPECT_EQ(FormatThousands(999, dots), u"999");
  EXPECT_EQ(FormatThousands(-1000, CommaFormat()), u"-1,000");
  EXPECT_EQ(FormatFixed2(1.005, dots).substr(0, 2), u"1,");
  EXPECT_EQ(FormatFixed2(12.3456, CommaFormat()), u"12.35");
  EXPECT_EQ(FormatFixed2(0, CommaFormat()), u"0.00");
}

// The user's number format comes from the C library's locale: under German the counts group
// with "." and the parsing time has a decimal comma. The build provides de_DE.UTF-8 through
// LOCPATH where the system has none.
TEST(XmlDocument, NumbersFollowAGermanLocale) {
  struct TRestoreLocale {
    std::string Saved = setlocale(LC_NUMERIC, nullptr);
    ~TRestoreLocale() { setlocale(LC_NUMERIC, Saved.c_str()); }
  } restore;
  ASSERT_NE(setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr) << "no de_DE.UTF-8 locale (LOCPATH from the test's environment)";
  const TNumberFormat german = TNumberFormat::FromCLocale();
  EXPECT_EQ(german.ThousandSeparator, u".");
  EXPECT_EQ(german.DecimalSeparator, u",");

  std::string xml = "<r>";
  for (int i = 0; i < 1233; ++i) xml += "<e/>";
  xml += "</r>";
  TTempFile file(xml);
  TXMLDocument doc;
  doc.SetNumberFormat(german);
  doc.SetFilename(file.Name16());
  const auto m = MessageTexts(doc);
  ASSERT_GE(m.size(), 5u);
  EXPECT_EQ(m[1], "17 Tag count: 1.234");
  const std::string time = m[4];
  EXPECT_EQ(time.rfind(" Parsing time: "), 2u) << time;
  EXPECT_NE(time.find(','), std::string::npos) << time;
  EXPECT_EQ(time.find('.'), std::string::npos) << time;
}

TEST(XmlDocument, ContentFragmentsOnlyBelowTenMebibytes) {
  // Line breaks inside a text become <br/>; every fragment ends with one.
  TXMLDocument doc;
  LoadText(doc, "<r>a\r\nb<x>c</x></r>");
  EXPECT_EQ(doc.Cnt(), (std::vector<std::u16string>{u"a<br/>b<br/>", u"c<br/>"}));

  std::string big = "<r><t>";
  big.append(10 * 1024 * 1024, 'x');
  big += "</t></r>";
  LoadText(doc, big);
  EXPECT_FALSE(doc.LoadFailed());
  EXPECT_TRUE(doc.Cnt().empty());
  EXPECT_FALSE(doc.ContentVisible());
  EXPECT_EQ(doc.Tree().Value(1).size(), 10u * 1024 * 1024);
}

TEST(XmlDocument, FirstElementExpandedAfterLeadingComment) {
  TXMLDocument doc;
  LoadText(doc, "<!--c--><?p x?><r><s/></r>");
  EXPECT_FALSE(doc.Tree().Expanded(0));
  EXPECT_FALSE(doc.Tree().Expanded(1));
  EXPECT_TRUE(doc.Tree().Expanded(2));
  EXPECT_FALSE(doc.Tree().Expanded(3));
}

TEST(XmlDocument, ProgressIsReported) {
  std::string xml = "<r>";
  for (int i = 0; i < 1000; ++i) xml += "<e a=\"1\">t</e>";
  xml += "</r>";
  TXMLDocument doc;
  int calls = 0;
  int64_t lastPos = -1, size = 0;
  doc.ProgressInterval = 100;
  doc.OnProgress = [&](int64_t aPos, int64_t aSize) {
    ++calls;
    EXPECT_GE(aPos, lastPos);
    lastPos = aPos;
    size = aSize;
  };
  LoadText(doc, xml);
  EXPECT_GE(calls, 9);
  EXPECT_EQ(size, static_cast<int64_t>(xml.size()));
  EXPECT_LE(lastPos, size);
}

TEST(XmlDocument, DeepNestingLoads) {
  const int depth = 200000;
  std::string xml;
  for (int i = 0; i < depth; ++i) xml += "<d>";
  xml += "x";
  for (int i = 0; i < depth; ++i) xml += "</d>";
  TXMLDocument doc;
  LoadText(doc, xml);
  EXPECT_FALSE(doc.LoadFailed());
  EXPECT_EQ(doc.Tree().Count(), static_cast<TNodeIndex>(depth));
  EXPECT_EQ(doc.Tree().Value(depth - 1), u"x");
}

TEST(XmlDocument, ShortenText) {
  EXPECT_EQ(ShortenText(u"abcdef", 3), u"abc...");
  EXPECT_EQ(ShortenText(u"abc", 3), u"abc");
  EXPECT_EQ(ShortenText(u"a\r\nb\rc\nd", 0), u"ab\rc\nd");
  EXPECT_EQ(ShortenText(u"ab\r\ncd", 3), u"ab\r...");  // cut first, then CR LF pairs go
  EXPECT_EQ(ShortenText(u"", 100), u"");
}

TEST(XmlDocument, ChangeCheck) {
  TTempFile file("<r>a</r>    ");
  TXMLDocument doc;
  doc.SetFilename(file.Name16());
  EXPECT_FALSE(doc.FileChanged());
  struct timespec times[2] = {{0, UTIME_OMIT}, {1000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, file.Name().c_str(), times, 0), 0);
  EXPECT_TRUE(doc.FileChanged());
  doc.RefreshMod();
  EXPECT_FALSE(doc.FileChanged());
}

}  // namespace

// A document naming a file in an entity declaration loads, strict and tolerant, without that
// file ever being read: its text would show up in the tree if it were.
TEST(XmlDocument, ExternalEntitiesLoadWithoutReadingTheirTarget) {
  TTempFile target("<injected>INJECTED</injected>", ".ent");
  const std::string xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE doc [\n  <!-- the doc's entities -->\n"
                          "  <!ENTITY x SYSTEM \"" + target.Name() + "\">\n"
                          "  <!ENTITY % p PUBLIC \"-//Q//P\" \"" + target.Name() + "\">\n"
                          "  <!ENTITY pic SYSTEM \"file://" + target.Name() + "\" NDATA png>\n]>\n"
                          "<doc><t>a&x;b</t><u>&pic;</u></doc>";
  for (bool strict : {true, false}) {
    TXMLDocument doc;
    LoadText(doc, xml, strict);
    EXPECT_FALSE(doc.LoadFailed()) << U8(doc.Messages().back().Text);
    EXPECT_EQ(Dump(doc.Tree()),
              "ntXML <?xml?>=\n ntAttr version=1.0\nntEmptyTag doc= +\n ntEmptyTag t=a&x;b\n ntEmptyTag u=&pic;\n");
  }
}

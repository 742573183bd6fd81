#include "Corvane_CmdLine.h"

#include <gtest/gtest.h>

namespace {

using Strings = std::vector<std::u16string>;

struct TArgCase {
  std::u16string Arg;
  bool IsSwitch;
  std::u16string Switch;
  std::u16string Parameter;
  Strings Parameters;
};

std::u16string Repeat(char16_t c, size_t n) { return std::u16string(n, c); }

TEST(CommandLine, ParsesEachArgumentKind) {
  const std::vector<TArgCase> cases = {
      {u"-a", true, u"a", u"", {}},
      {u"/name:value", true, u"name", u"value", {}},
      {u"-x:'a;b'", true, u"x", u"a;b", {u"a", u"b"}},
      {u"-x:a;b", true, u"x", u"a;b", {u"a", u"b"}},
      {u"-x:a", true, u"x", u"a", {}},
      {u"-x:''", true, u"x", u"", {}},
      {u"-x:'", true, u"x", u"'", {}},
      {u"-x:", true, u"x", u"", {}},
      {u"-:v", true, u"", u"v", {}},
      {u"-", true, u"", u"", {}},
      {u"-x:a:b", true, u"x", u"a:b", {}},  // the first ':' ends the name
      {u"-x:a;", true, u"x", u"a;", {u"a", u""}},
      {u";b", false, u"", u"", {}},
      {u"-x:;b", true, u"x", u";b", {u"", u"b"}},
      {u"-x:a b;c d", true, u"x", u"a b;c d", {u"a b", u"c d"}},  // blanks do not separate
      {u"-x:\"a;b\";c", true, u"x", u"\"a;b\";c", {u"a;b", u"c"}},
      {u"-x:\"say \"\"hi\"\"\";z", true, u"x", u"\"say \"\"hi\"\"\";z", {u"say \"hi\"", u"z"}},
      {u"-x:\"open;end", true, u"x", u"\"open;end", {u"open;end"}},  // unclosed quote runs to the end
      {u"C:\\data\\a.xml", false, u"", u"", {}},
      {u"", false, u"", u"", {}},  // an empty argument is never a switch
      {u"a-b", false, u"", u"", {}},
      // Limits: a name without ':' is cut at 260; a value is cut at 260 before its
      // apostrophes are looked at; a name before ':' is not cut.
      {u"-" + Repeat(u'n', 300), true, Repeat(u'n', 260), u"", {}},
      {u"-" + Repeat(u'n', 300) + u":v", true, Repeat(u'n', 300), u"v", {}},
      {u"-x:" + Repeat(u'v', 300), true, u"x", Repeat(u'v', 260), {}},
      {u"-x:'" + Repeat(u'v', 258) + u"'", true, u"x", Repeat(u'v', 258), {}},
      {u"-x:'" + Repeat(u'v', 259) + u"'", true, u"x", u"'" + Repeat(u'v', 259), {}},
  };
  for (const TArgCase& c : cases) {
    SCOPED_TRACE(std::string(c.Arg.begin(), c.Arg.begin() + std::min<size_t>(c.Arg.size(), 40)));
    const TCommandLine cmd(std::vector<std::u16string>{u"/usr/bin/quillon", c.Arg});
    ASSERT_EQ(cmd.ParamList(), Strings{c.Arg});  // every argument, switch or not, unchanged
    ASSERT_EQ(cmd.SwitchCount(), c.IsSwitch ? 1 : 0);
    if (!c.IsSwitch) continue;
    const TSwitch sw = cmd.GetSwitch(0);
    EXPECT_TRUE(sw.Present);
    EXPECT_EQ(sw.Switch, c.Switch);
    EXPECT_EQ(sw.Parameter, c.Parameter);
    EXPECT_EQ(sw.Parameters, c.Parameters);
  }
}

TEST(CommandLine, LookupsIgnoreAsciiCaseAndReturnEmptyRecordWhenMissing) {
  const TCommandLine cmd(std::vector<std::u16string>{u"prog", u"-Open:a.xml", u"/tmp/b.xml", u"-open:second",
                                                     u"-\u00C9t\u00E9"});
  EXPECT_EQ(cmd.SwitchCount(), 4);  // "/tmp/b.xml" is a switch and still a parameter
  EXPECT_EQ(cmd.ParamList().size(), 4u);
  EXPECT_EQ(cmd.FindSwitch(u"open"), 0);  // the first of two matches
  EXPECT_EQ(cmd.FindSwitch(u"OPEN"), 0);
  EXPECT_EQ(cmd.FindSwitch(u"tmp/b.xml"), 1);
  EXPECT_EQ(cmd.FindSwitch(u"\u00C9t\u00E9"), 3);
  EXPECT_EQ(cmd.FindSwitch(u"\u00E9t\u00E9"), -1);  // only ASCII letters fold
  EXPECT_EQ(cmd.FindSwitch(u"ope"), -1);
  EXPECT_EQ(cmd.FindAtLeastOne({u"missing", u"TMP/B.XML", u"open"}), 1);
  EXPECT_EQ(cmd.FindAtLeastOne({u"missing"}), -1);
  EXPECT_EQ(cmd.Switch(u"OPEN").Parameter, u"a.xml");

  for (int index : {-1, 4, 1000}) {
    const TSwitch none = cmd.GetSwitch(index);
    EXPECT_FALSE(none.Present);
    EXPECT_TRUE(none.Switch.empty() && none.Parameter.empty() && none.Parameters.empty());
  }
  EXPECT_FALSE(cmd.GetSwitchByName(u"nothing").Present);
}

TEST(CommandLine, TextFormTakesOneArgumentPerLine) {
  struct {
    std::u16string Text;
    Strings Args;
  } const cases[] = {
      {u"a.xml\r\nb.xml", {u"a.xml", u"b.xml"}},
      {u"a\rb\nc\r\nd\r\n", {u"a", u"b", u"c", u"d"}},  // a final break adds nothing
      {u"a\r\n\r\nb", {u"a", u"", u"b"}},
      {u"\n", {u""}},
      {u"", {}},
      {u" x y ", {u" x y "}},
      {u"\u4E00.xml\r\n-s:v", {u"\u4E00.xml", u"-s:v"}},
  };
  for (const auto& c : cases) {
    const TCommandLine cmd(std::u16string_view(c.Text));
    EXPECT_EQ(cmd.ParamList(), c.Args);
  }
  const TCommandLine withSwitch(std::u16string_view(u"a.xml\r\n/x:1;2"));
  ASSERT_EQ(withSwitch.SwitchCount(), 1);
  EXPECT_EQ(withSwitch.GetSwitch(0).Parameters, (Strings{u"1", u"2"}));
}

TEST(CommandLine, WholeCommandLineAndClear) {
  TCommandLine cmd(std::vector<std::u16string>{u"/usr/bin/quillon", u"-v", u"a b.xml", u" "});
  EXPECT_EQ(cmd.CommandLine(), u"/usr/bin/quillon -v a b.xml");
  cmd.Clear();
  EXPECT_EQ(cmd.SwitchCount(), 0);
  EXPECT_FALSE(cmd.GetSwitch(0).Present);
  EXPECT_EQ(cmd.ParamList().size(), 3u);

  const char* argv[] = {"quillon", "-x:\xC3\xA9", "b.xml"};  // UTF-8 from the process
  const TCommandLine fromArgv(3, argv);
  EXPECT_EQ(fromArgv.GetSwitch(0).Parameter, u"\u00E9");
  EXPECT_EQ(fromArgv.ParamList(), (Strings{u"-x:\u00E9", u"b.xml"}));
}

}  // namespace

#include "Corvane_CmdLine.h"

#include "WideSupport.h"

namespace {

constexpr size_t cMaxSwitchText = 260;

bool IsSwitchChar(char16_t c) { return c == u'-' || c == u'/'; }

}  // namespace

std::u16string TrimControlAndBlanks(std::u16string_view aText) {
  size_t b = 0, e = aText.size();
  while (b < e && aText[b] <= 32) ++b;
  while (e > b && aText[e - 1] <= 32) --e;
  return std::u16string(aText.substr(b, e - b));
}

std::vector<std::u16string> SplitLines(std::u16string_view aText) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  const size_t n = aText.size();
  while (start < n) {
    size_t i = start;
    while (i < n && aText[i] != u'\r' && aText[i] != u'\n') ++i;
    lines.emplace_back(aText.substr(start, i - start));
    if (i < n && aText[i] == u'\r') {
      ++i;
      if (i < n && aText[i] == u'\n') ++i;
    } else if (i < n) {
      ++i;  // LF
    }
    start = i;
  }
  return lines;
}

std::vector<std::u16string> SplitDelimited(std::u16string_view aText, char16_t aDelimiter,
                                           char16_t aQuote) {
  std::vector<std::u16string> items;
  size_t p = 0;
  const size_t n = aText.size();
  while (p < n) {
    std::u16string item;
    if (aText[p] == aQuote) {
      ++p;
      while (p < n) {
        if (aText[p] == aQuote) {
          if (p + 1 < n && aText[p + 1] == aQuote) {
            item += aQuote;
            p += 2;
            continue;
          }
          ++p;  // closing quote
          break;
        }
        item += aText[p++];
      }
    } else {
      const size_t s = p;
      while (p < n && aText[p] != aDelimiter) ++p;
      item.assign(aText.substr(s, p - s));
    }
    items.push_back(std::move(item));
    if (p < n && aText[p] == aDelimiter) {
      ++p;
      if (p == n) items.emplace_back();  // "a;" ends in an empty item
    }
  }
  return items;
}

TCommandLine::TCommandLine(const std::vector<std::u16string>& aArgs) {
  if (aArgs.empty()) return;
  FProgram = aArgs[0];
  for (size_t i = 1; i < aArgs.size(); ++i) ParseArgument(aArgs[i]);
}

TCommandLine::TCommandLine(int argc, const char* const* argv) {
  if (argc <= 0 || !argv) return;
  FProgram = argv[0] ? Utf8ToUtf16(argv[0]) : std::u16string();
  for (int i = 1; i < argc; ++i) ParseArgument(argv[i] ? Utf8ToUtf16(argv[i]) : std::u16string());
}

TCommandLine::TCommandLine(std::u16string_view ACmdLine) {
  for (const std::u16string& line : SplitLines(ACmdLine)) ParseArgument(line);
}

TCommandLine::~TCommandLine() { Clear(); }

void TCommandLine::ParseArgument(const std::u16string& aArg) {
  FSL.push_back(aArg);
  if (aArg.empty() || !IsSwitchChar(aArg[0])) return;

  TSwitch sw;
  sw.Present = true;
  const size_t colon = aArg.find(u':');
  if (colon == std::u16string::npos) {
    sw.Switch = aArg.substr(1, cMaxSwitchText);
  } else {
    sw.Switch = aArg.substr(1, colon - 1);
    // The value is cut before its apostrophes are looked at, so a quote closed only after
    // the cut stays open.
    sw.Parameter = aArg.substr(colon + 1, cMaxSwitchText);
    if (sw.Parameter.size() >= 2 && sw.Parameter.front() == u'\'' && sw.Parameter.back() == u'\'')
      sw.Parameter = sw.Parameter.substr(1, sw.Parameter.size() - 2);
  }
  if (sw.Parameter.find(u';') != std::u16string::npos) sw.Parameters = SplitDelimited(sw.Parameter);
  FSwitches.push_back(std::move(sw));
}

int TCommandLine::FindSwitch(std::u16string_view ASwitch) const {
  for (size_t i = 0; i < FSwitches.size(); ++i)
    if (SameAsciiNoCase(FSwitches[i].Switch, ASwitch)) return static_cast<int>(i);
  return -1;
}

int TCommandLine::FindAtLeastOne(const std::vector<std::u16string>& ASwitches) const {
  for (const std::u16string& name : ASwitches) {
    const int i = FindSwitch(name);
    if (i >= 0) return i;
  }
  return -1;
}

TSwitch TCommandLine::GetSwitch(int AIndex) const {
  if (AIndex < 0 || AIndex >= SwitchCount()) return TSwitch{};
  TSwitch sw = FSwitches[static_cast<size_t>(AIndex)];
  sw.Present = true;
  return sw;
}

TSwitch TCommandLine::GetSwitchByName(std::u16string_view AName) const {
  return GetSwitch(FindSwitch(AName));
}

std::u16string TCommandLine::CommandLine() const {
  std::u16string all = FProgram + u' ';
  for (const std::u16string& arg : FSL) {
    all += arg;
    all += u' ';
  }
  return TrimControlAndBlanks(all);
}

void TCommandLine::Clear() { FSwitches.clear(); }

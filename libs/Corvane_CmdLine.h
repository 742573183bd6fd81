// Command-line parsing: every argument is kept in order in ParamList; arguments that begin
// with a switch character ('-' or '/') are also parsed into switches that can be looked up
// by name. Switches have no effect in the program itself: files are opened from ParamList.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// One parsed switch: "-name", "/name", "-name:value" or "-name:'value'".
struct TSwitch {
  std::u16string Switch;     // name without the switch character
  std::u16string Parameter;  // value after ':' (empty without one)
  // Pieces of Parameter split at ';' (double quotes protect a ';'); empty unless
  // Parameter contains a ';'.
  std::vector<std::u16string> Parameters;
  bool Present = false;      // false only in the empty record of a failed lookup
};

using TSwitches = std::vector<TSwitch>;

class TCommandLine {
public:
  // From the process arguments: aArgs[0] is the program path and is not parsed.
  explicit TCommandLine(const std::vector<std::u16string>& aArgs);
  // Convenience for main(): argv is taken as UTF-8.
  TCommandLine(int argc, const char* const* argv);
  // From a text with one argument per line (lines end at CR, LF or CR LF; a final line
  // break does not add an empty argument). This is how a hand-over from a second start
  // arrives.
  explicit TCommandLine(std::u16string_view ACmdLine);
  ~TCommandLine();

  TCommandLine(const TCommandLine&) = delete;
  TCommandLine& operator=(const TCommandLine&) = delete;

  // Index of the first switch named ASwitch (ASCII letters compared without case), or -1.
  int FindSwitch(std::u16string_view ASwitch) const;
  // Tries the names in order; the index FindSwitch gives for the first one found, or -1.
  int FindAtLeastOne(const std::vector<std::u16string>& ASwitches) const;
  // A copy of switch AIndex with Present true, or an empty record for any other index.
  TSwitch GetSwitch(int AIndex) const;
  TSwitch GetSwitchByName(std::u16string_view AName) const;

  TSwitch Switches(int AIndex) const { return GetSwitch(AIndex); }
  TSwitch Switch(std::u16string_view AName) const { return GetSwitchByName(AName); }
  int SwitchCount() const { return static_cast<int>(FSwitches.size()); }
  const std::vector<std::u16string>& ParamList() const { return FSL; }
  // The program path and every argument, each followed by a blank, with leading and
  // trailing characters up to code 32 stripped. A command line made from a text has no
  // program path.
  std::u16string CommandLine() const;

  // Empties the switch array (ParamList stays).
  void Clear();

private:
  void ParseArgument(const std::u16string& aArg);

  std::u16string FProgram;
  std::vector<std::u16string> FSL;
  TSwitches FSwitches;
};

// Shared helpers of the shell modules.
// Strips leading and trailing characters whose code is 32 or below.
std::u16string TrimControlAndBlanks(std::u16string_view aText);
// Splits a text into lines at CR, LF or CR LF; a trailing line break adds no empty line.
std::vector<std::u16string> SplitLines(std::u16string_view aText);
// Splits at ';' with strict separation (blanks are kept); an item that begins with '"'
// runs to the matching quote, a doubled quote inside it standing for one.
std::vector<std::u16string> SplitDelimited(std::u16string_view aText, char16_t aDelimiter = u';',
                                           char16_t aQuote = u'"');

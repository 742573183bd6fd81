// Shared plumbing of quillon-cli: the command table, argument access and the record output
// (UTF-8, one record a line, TAB between fields, escaping inside fields).
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

enum TExitCode { ecOk = 0, ecParseError = 1, ecUsage = 2 };

// A usage or I/O problem; main prints "quillon-cli: " + message on stderr and exits 2.
struct EUsage {
  std::string FMessage;
};

struct TCommand {
  const char* FName;
  const char* FSynopsis;  // one line for --help, e.g. "tokens [OPTIONS] FILE"
  std::function<int(std::vector<std::string>& aArgs)> FRun;  // arguments after the command name
};

// Commands register themselves from their own source file with a static TRegisterCommand.
std::vector<TCommand>& Commands();
struct TRegisterCommand {
  TRegisterCommand(TCommand aCommand) { Commands().push_back(std::move(aCommand)); }
};

// Removes "--name" (returns true) from aArgs.
bool TakeFlag(std::vector<std::string>& aArgs, std::string_view aName);
// Removes "--name=VALUE" or "--name VALUE" and returns VALUE; aFound tells whether it was there.
std::string TakeOption(std::vector<std::string>& aArgs, std::string_view aName, bool& aFound);
// After options are taken: exactly aCount positional arguments remain, none starting with "--".
void ExpectPositional(const std::vector<std::string>& aArgs, size_t aCount, const char* aSynopsis);

// The FILE argument of a command, to be opened as often as the command needs (a document load
// opens its file several times). A regular file is used as it is. A pipe, a FIFO, /dev/stdin, a
// process substitution or a device is read to its end once, into a temporary file that goes
// with this object or with the signal that ends the program. A folder is a usage error. A name
// that names nothing is passed on, for the command's own "cannot open".
class TInputFile {
public:
  explicit TInputFile(const std::string& aName);
  ~TInputFile();
  TInputFile(const TInputFile&) = delete;
  TInputFile& operator=(const TInputFile&) = delete;
  // The name to open: the argument, or the temporary copy.
  const std::string& Name() const { return FName; }

private:
  void Spool(const std::string& aName);
  void RemoveSpool() noexcept;
  std::string FName;
  std::string FSpool;  // the temporary copy, empty when the argument is read directly
  int FSlot = -1;
};

// Field escaping: backslash, TAB, LF, CR as \\ \t \n \r, other units below 0x20 as \xHH,
// lone surrogates as \uHHHH, everything else as UTF-8.
void AppendField(std::string& aOut, std::u16string_view aField);
std::string EscapeField(std::u16string_view aField);

// Buffered writer for stdout records.
class TRecordWriter {
public:
  explicit TRecordWriter(FILE* aFile = stdout) : FFile(aFile) { FBuf.reserve(1 << 16); }
  ~TRecordWriter() { Flush(); }
  TRecordWriter& Raw(std::string_view aText) { FBuf.append(aText); return *this; }
  TRecordWriter& Field(std::u16string_view aText) { FBuf.push_back('\t'); AppendField(FBuf, aText); return *this; }
  TRecordWriter& Field(std::string_view aUtf8) { FBuf.push_back('\t'); FBuf.append(aUtf8); return *this; }
  TRecordWriter& Field(long long aNumber) { FBuf.push_back('\t'); FBuf.append(std::to_string(aNumber)); return *this; }
  void EndLine() { FBuf.push_back('\n'); if (FBuf.size() > (1 << 16)) Flush(); }
  void Flush();

private:
  FILE* FFile;
  std::string FBuf;
};

}  // namespace cli

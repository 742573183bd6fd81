// quillon-cli: the headless front end. Each command lives in its own source file and
// registers itself in the command table.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>

#include "BufferedStreams.h"
#include "CliCommon.h"

namespace cli {

std::vector<TCommand>& Commands() {
  static std::vector<TCommand> commands;
  return commands;
}

bool TakeFlag(std::vector<std::string>& aArgs, std::string_view aName) {
  for (auto it = aArgs.begin(); it != aArgs.end(); ++it)
    if (*it == aName) {
      aArgs.erase(it);
      return true;
    }
  return false;
}

std::string TakeOption(std::vector<std::string>& aArgs, std::string_view aName, bool& aFound) {
  aFound = false;
  for (auto it = aArgs.begin(); it != aArgs.end(); ++it) {
    if (it->size() > aName.size() && it->compare(0, aName.size(), aName) == 0 && (*it)[aName.size()] == '=') {
      std::string value = it->substr(aName.size() + 1);
      aArgs.erase(it);
      aFound = true;
      return value;
    }
    if (*it == aName) {
      if (it + 1 == aArgs.end()) throw EUsage{"option " + std::string(aName) + " needs a value"};
      std::string value = *(it + 1);
      aArgs.erase(it, it + 2);
      aFound = true;
      return value;
    }
  }
  return {};
}

void ExpectPositional(const std::vector<std::string>& aArgs, size_t aCount, const char* aSynopsis) {
  for (const auto& a : aArgs)
    if (a.size() > 2 && a.compare(0, 2, "--") == 0) throw EUsage{"unknown option " + a};
  if (aArgs.size() != aCount) throw EUsage{std::string("usage: quillon-cli ") + aSynopsis};
}

void AppendField(std::string& aOut, std::u16string_view aField) {
  static const char kHex[] = "0123456789ABCDEF";
  const size_t n = aField.size();
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = aField[i];
    if (c >= 0x20 && c < 0x80 && c != '\\') {
      aOut.push_back(static_cast<char>(c));
    } else if (c == '\\') {
      aOut += "\\\\";
    } else if (c == '\t') {
      aOut += "\\t";
    } else if (c == '\n') {
      aOut += "\\n";
    } else if (c == '\r') {
      aOut += "\\r";
    } else if (c < 0x20) {
      aOut += "\\x";
      aOut.push_back(kHex[c >> 4]);
      aOut.push_back(kHex[c & 15]);
    } else {
      // a lone surrogate has no UTF-8 form: it is spelled out, so the dump shows what was read
      const char16_t* p = aField.data() + i;
      const char32_t cp = Utf16Next(p, aField.data() + n, lsKeep);
      if (IsSurrogate(cp)) {
        aOut += "\\u";
        for (int s = 12; s >= 0; s -= 4) aOut.push_back(kHex[(cp >> s) & 15]);
      } else {
        char bytes[4];
        aOut.append(bytes, Utf8Put(cp, bytes));
      }
      i = static_cast<size_t>(p - aField.data()) - 1;
    }
  }
}

std::string EscapeField(std::u16string_view aField) {
  std::string out;
  AppendField(out, aField);
  return out;
}

void TRecordWriter::Flush() {
  if (!FBuf.empty()) {
    fwrite(FBuf.data(), 1, FBuf.size(), FFile);
    FBuf.clear();
  }
  fflush(FFile);
}

}  // namespace cli

static void PrintHelp() {
  std::printf("Usage: quillon-cli COMMAND [OPTIONS] FILE\n\nCommands:\n");
  for (const auto& c : cli::Commands()) std::printf("  quillon-cli %s\n", c.FSynopsis);
  std::printf(
      "\nOutput is UTF-8, one record a line, fields separated by TAB.\n"
      "Exit code: 0 read without a parse error, 1 stopped by a parse error, 2 usage or I/O error.\n"
      "\nOptions without a command:\n"
      "  -h, --help   show this help\n"
      "  --version    show the version\n");
}

int main(int argc, char** argv) {
  // The system encoding (the CSV export's, and the fallback for text without a declaration) is
  // the charset of the user's locale.
  std::setlocale(LC_CTYPE, "");
  // An interrupted format -o or export must not leave its temporary file (which can be as big
  // as the output) beside the target.
  RemovePendingTempFilesOnSignals();
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
    PrintHelp();
    return argc < 2 ? cli::ecUsage : cli::ecOk;
  }
  if (!std::strcmp(argv[1], "--version")) {
    std::printf("quillon-cli %s\n", QUILLON_VERSION);
    return cli::ecOk;
  }
  std::vector<std::string> args(argv + 2, argv + argc);
  for (const auto& c : cli::Commands()) {
    if (c.FName != std::string_view(argv[1])) continue;
    try {
      if (cli::TakeFlag(args, "--help")) {
        std::printf("usage: quillon-cli %s\n", c.FSynopsis);
        return cli::ecOk;
      }
      return c.FRun(args);
    } catch (const cli::EUsage& e) {
      std::fprintf(stderr, "quillon-cli: %s\n", e.FMessage.c_str());
      return cli::ecUsage;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "quillon-cli: %s\n", e.what());
      return cli::ecUsage;
    }
  }
  std::fprintf(stderr, "quillon-cli: unknown command %s (see --help)\n", argv[1]);
  return cli::ecUsage;
}

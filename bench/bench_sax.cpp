// SAX parsing throughput: TSAXParser.ParseFile with counting handlers beside expat, libxml2's
// SAX2 push parser and libxml2's pull reader, which read the same file and count the same
// things (elements, attributes, character data). Then whole processes: quillon-cli sax --count
// against this program's own expat counter. Prints MB/s of input bytes and the ratios (> 1:
// Quillon faster), by CPU time and by wall time: on a shared machine the wall clock also counts
// the time other processes hold the cores, the CPU clock does not. First it checks that the
// reader's scan paths (vector, plain, general) read the benchmark documents alike.
#include <expat.h>
#include <fcntl.h>
#include <libxml/parser.h>
#include <libxml/xmlreader.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchData.h"
#include "XmlSAX.h"
#include "XmlScan.h"

extern char** environ;

namespace {

constexpr size_t kReadBlock = 64 * 1024;

struct TCounts {
  uint64_t Elements = 0;
  uint64_t Attributes = 0;
  uint64_t Characters = 0;  // code units in Quillon, bytes in the peers
  bool Ok = true;
};

struct TResult {
  double Seconds = 0;  // wall
  double Cpu = 0;      // this process's CPU time
  TCounts Counts;
};

double Since(std::chrono::steady_clock::time_point aStart) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - aStart).count();
}

double CpuNow() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

TCounts Quillon(const std::string& aPath) {
  TCounts counts;
  TSAXParser parser;
  parser.OnStartElement = [&](TSAXParser&, std::u16string_view, const TSAXAttributes& a) {
    ++counts.Elements;
    counts.Attributes += uint64_t(a.Count());
  };
  parser.OnCharacters = [&](TSAXParser&, std::u16string_view t) { counts.Characters += t.size(); };
  counts.Ok = parser.ParseFile(Utf8ToUtf16(aPath));
  return counts;
}

TCounts Expat(const std::string& aPath) {
  TCounts counts;
  FILE* f = std::fopen(aPath.c_str(), "rb");
  if (!f) return {0, 0, 0, false};
  XML_Parser p = XML_ParserCreate(nullptr);
  XML_SetUserData(p, &counts);
  XML_SetElementHandler(
      p,
      [](void* aData, const XML_Char*, const XML_Char** aAtts) {
        auto* c = static_cast<TCounts*>(aData);
        ++c->Elements;
        for (; *aAtts; aAtts += 2) ++c->Attributes;
      },
      [](void*, const XML_Char*) {});
  XML_SetCharacterDataHandler(p, [](void* aData, const XML_Char*, int aLen) {
    static_cast<TCounts*>(aData)->Characters += uint64_t(aLen);
  });
  for (;;) {
    void* buf = XML_GetBuffer(p, kReadBlock);
    const size_t n = std::fread(buf, 1, kReadBlock, f);
    if (XML_ParseBuffer(p, int(n), n == 0) == XML_STATUS_ERROR) {
      counts.Ok = false;
      break;
    }
    if (n == 0) break;
  }
  XML_ParserFree(p);
  std::fclose(f);
  return counts;
}

void LibXmlStart(void* aCtx, const xmlChar*, const xmlChar*, const xmlChar*, int, const xmlChar**, int aAttributes,
                 int, const xmlChar**) {
  auto* c = static_cast<TCounts*>(static_cast<xmlParserCtxtPtr>(aCtx)->_private);
  ++c->Elements;
  c->Attributes += uint64_t(aAttributes);
}

void LibXmlCharacters(void* aCtx, const xmlChar*, int aLen) {
  static_cast<TCounts*>(static_cast<xmlParserCtxtPtr>(aCtx)->_private)->Characters += uint64_t(aLen);
}

TCounts LibXml2(const std::string& aPath) {
  TCounts counts;
  FILE* f = std::fopen(aPath.c_str(), "rb");
  if (!f) return {0, 0, 0, false};
  xmlSAXHandler sax;
  std::memset(&sax, 0, sizeof sax);
  sax.initialized = XML_SAX2_MAGIC;
  sax.startElementNs = LibXmlStart;
  sax.characters = LibXmlCharacters;
  sax.cdataBlock = LibXmlCharacters;
  std::vector<char> buf(kReadBlock);
  size_t n = std::fread(buf.data(), 1, 4, f);
  xmlParserCtxtPtr ctxt = xmlCreatePushParserCtxt(&sax, nullptr, buf.data(), int(n), aPath.c_str());
  ctxt->_private = &counts;
  while ((n = std::fread(buf.data(), 1, buf.size(), f)) > 0)
    if (xmlParseChunk(ctxt, buf.data(), int(n), 0) != 0) break;
  xmlParseChunk(ctxt, nullptr, 0, 1);
  counts.Ok = ctxt->wellFormed != 0;
  xmlFreeParserCtxt(ctxt);
  std::fclose(f);
  return counts;
}

// libxml2's pull reader (xmlTextReader) over the file: elements with their attribute counts,
// text and CDATA lengths.
TCounts LibXml2Reader(const std::string& aPath) {
  TCounts counts;
  xmlTextReaderPtr reader = xmlReaderForFile(aPath.c_str(), nullptr, 0);
  if (!reader) return {0, 0, 0, false};
  int ret;
  while ((ret = xmlTextReaderRead(reader)) == 1) {
    switch (xmlTextReaderNodeType(reader)) {
      case XML_READER_TYPE_ELEMENT:
        ++counts.Elements;
        counts.Attributes += uint64_t(xmlTextReaderAttributeCount(reader));
        break;
      case XML_READER_TYPE_TEXT:
      case XML_READER_TYPE_CDATA:
      case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
        if (const xmlChar* v = xmlTextReaderConstValue(reader)) counts.Characters += std::strlen(reinterpret_cast<const char*>(v));
        break;
      default:
        break;
    }
  }
  counts.Ok = ret == 0;
  xmlFreeTextReader(reader);
  return counts;
}

// The floor of the token design: the file read in blocks, decoded to UTF-16 as the reader
// decodes it, and every code unit looked at once by the text-run scan, each stop counted; no
// token is made. The parser cannot be faster than this.
TCounts BareScan(const std::string& aPath) {
  TCounts counts;
  FILE* f = std::fopen(aPath.c_str(), "rb");
  if (!f) return {0, 0, 0, false};
  std::vector<uint8_t> bytes(16384);
  std::u16string units;
  size_t n;
  while ((n = std::fread(bytes.data(), 1, bytes.size(), f)) > 0) {
    const size_t length = TEncoding::UTF8()->DecodeInto(bytes.data(), n, units);
    const char16_t* p = units.data();
    const char16_t* const end = p + length;
    while ((p = XmlTextRunEnd(p, end)) < end) {
      ++counts.Characters;
      ++p;
    }
  }
  std::fclose(f);
  return counts;
}

// A hash of every token of the document with the reader's position after it, read with the
// given scan path.
uint64_t TokenHash(const std::string& aPath, TXMLScanMode aMode) {
  XmlScanSetMode(aMode);
  TXMLReader reader;
  TXMLReaderTokenList attributes;
  reader.SetAttributeTokens(&attributes);
  reader.InitFile(Utf8ToUtf16(aPath));
  uint64_t h = 0xCBF29CE484222325ull;
  auto mix = [&](uint64_t v) { h = (h ^ v) * 0x100000001B3ull; };
  PXMLReaderToken token;
  while (reader.ReadNextToken(token)) {
    mix(token->TokenType);
    for (char16_t c : token->TokenName) mix(c);
    mix(0x10000);
    for (char16_t c : token->TokenValue) mix(c);
    mix(uint64_t(reader.Line()) << 32 ^ uint64_t(reader.LinePosition()));
  }
  mix(reader.ParseError() ? 1 : 0);
  XmlScanSetMode(smVector);
  return h;
}

bool ScanPathsAgree(const std::string& aPath) {
  const uint64_t vector = TokenHash(aPath, smVector);
  const bool same = vector == TokenHash(aPath, smPlain) && vector == TokenHash(aPath, smGeneral);
  std::printf("  scan paths (vector, plain, general) on %s: %s\n", std::filesystem::path(aPath).filename().c_str(),
              same ? "identical tokens" : "DIFFERENT TOKENS");
  return same;
}

constexpr int kRounds = 5;

// One run, kept when it is the fastest so far (by CPU time; the wall time is kept alongside).
// The contenders take turns round by round, so that a busy moment of the machine does not fall
// on one of them only.
template <class F>
void Keep(TResult& aBest, int aRound, F aRun) {
  const auto start = std::chrono::steady_clock::now();
  const double cpu = CpuNow();
  TCounts counts = aRun();
  const double c = CpuNow() - cpu;
  const double s = Since(start);
  if (aRound == 0 || c < aBest.Cpu) aBest.Cpu = c, aBest.Counts = counts;
  if (aRound == 0 || s < aBest.Seconds) aBest.Seconds = s;
}

struct TProcessTime {
  double Wall = 0;
  double Cpu = 0;  // user + system time of the child
};

// Times of one process, standard output thrown away; negative when it failed.
TProcessTime RunProcess(const std::vector<std::string>& aArgs) {
  std::vector<char*> argv;
  for (const auto& a : aArgs) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid;
  int status = -1;
  struct rusage usage {};
  const bool spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
  if (spawned) wait4(pid, &status, 0, &usage);
  const double s = Since(start);
  posix_spawn_file_actions_destroy(&actions);
  if (!(spawned && WIFEXITED(status) && WEXITSTATUS(status) == 0)) return {-1, -1};
  const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return {s, cpu};
}

void KeepProcess(TProcessTime& aBest, const std::vector<std::string>& aArgs) {
  const TProcessTime t = RunProcess(aArgs);
  if (t.Wall < 0 || aBest.Wall < 0) {
    aBest = {-1, -1};
    return;
  }
  if (aBest.Wall == 0 || t.Wall < aBest.Wall) aBest.Wall = t.Wall;
  if (aBest.Cpu == 0 || t.Cpu < aBest.Cpu) aBest.Cpu = t.Cpu;
}

void Line(const char* aName, double aMB, const TResult& aResult) {
  std::printf("  %-40s %8.1f MB/s cpu %8.1f MB/s wall  elements %llu attributes %llu characters %llu%s\n", aName,
              aMB / aResult.Cpu, aMB / aResult.Seconds, static_cast<unsigned long long>(aResult.Counts.Elements),
              static_cast<unsigned long long>(aResult.Counts.Attributes),
              static_cast<unsigned long long>(aResult.Counts.Characters), aResult.Counts.Ok ? "" : "  PARSE ERROR");
}

bool Compare(const std::string& aPath, const char* aTitle) {
  const double mb = double(std::filesystem::file_size(aPath)) / 1e6;
  std::printf("%s: %s, %.1f MB\n", aTitle, aPath.c_str(), mb);
  TResult quillon, expat, libxml, libxmlReader, bare;
  for (int round = 0; round < kRounds; ++round) {
    Keep(bare, round, [&] { return BareScan(aPath); });
    Keep(quillon, round, [&] { return Quillon(aPath); });
    Keep(expat, round, [&] { return Expat(aPath); });
    Keep(libxml, round, [&] { return LibXml2(aPath); });
    Keep(libxmlReader, round, [&] { return LibXml2Reader(aPath); });
  }
  Line("TSAXParser.ParseFile", mb, quillon);
  Line("expat, 64 KB blocks", mb, expat);
  Line("libxml2 SAX2 push parser, 64 KB blocks", mb, libxml);
  Line("libxml2 pull reader (xmlTextReader)", mb, libxmlReader);
  std::printf("  %-40s %8.1f MB/s cpu %8.1f MB/s wall  (stops %llu; Quillon takes %.1fx its time)\n",
              "floor: decode + run scan, no tokens", mb / bare.Cpu, mb / bare.Seconds,
              static_cast<unsigned long long>(bare.Counts.Characters), quillon.Cpu / bare.Cpu);
  std::printf("  ratio by cpu:  Quillon/expat %.2fx   Quillon/libxml2 SAX2 %.2fx   Quillon/libxml2 reader %.2fx\n",
              expat.Cpu / quillon.Cpu, libxml.Cpu / quillon.Cpu, libxmlReader.Cpu / quillon.Cpu);
  std::printf("  ratio by wall: Quillon/expat %.2fx   Quillon/libxml2 SAX2 %.2fx   Quillon/libxml2 reader %.2fx\n",
              expat.Seconds / quillon.Seconds, libxml.Seconds / quillon.Seconds,
              libxmlReader.Seconds / quillon.Seconds);
  const bool same = quillon.Counts.Ok && expat.Counts.Ok && libxml.Counts.Ok && libxmlReader.Counts.Ok &&
                    quillon.Counts.Elements == expat.Counts.Elements &&
                    quillon.Counts.Elements == libxml.Counts.Elements &&
                    quillon.Counts.Elements == libxmlReader.Counts.Elements &&
                    quillon.Counts.Attributes == expat.Counts.Attributes &&
                    quillon.Counts.Attributes == libxml.Counts.Attributes &&
                    quillon.Counts.Attributes == libxmlReader.Counts.Attributes;
  if (!same) std::printf("  MISMATCH: the parsers disagree on the document\n");
  return same;
}

}  // namespace

int main(int argc, char** argv) {
  // The expat side of the whole-process comparison: this program as a plain expat counter.
  if (argc == 3 && std::strcmp(argv[1], "--expat-count") == 0) {
    const TCounts c = Expat(argv[2]);
    std::printf("elements\t%llu\tattributes\t%llu\tcharacters\t%llu\n", static_cast<unsigned long long>(c.Elements),
                static_cast<unsigned long long>(c.Attributes), static_cast<unsigned long long>(c.Characters));
    return c.Ok ? 0 : 1;
  }
  const std::string dir = BenchDataDir(argc, argv);
  const std::string document = BenchDocument(dir);
  const std::string attributes = BenchAttributeDocument(dir);
  std::printf("checks:\n");
  bool ok = ScanPathsAgree(document);
  ok = ScanPathsAgree(attributes) && ok;
  ok = Compare(document, "mixed document") && ok;
  ok = Compare(attributes, "attribute-heavy document") && ok;

  std::printf("whole process, file read and start-up included:\n");
  for (const std::string& path : {document, attributes}) {
    const double mb = double(std::filesystem::file_size(path)) / 1e6;
    TProcessTime quillon, expat;
    for (int round = 0; round < kRounds; ++round) {
      KeepProcess(quillon, {QUILLON_CLI, "sax", "--count", path});
      KeepProcess(expat, {argv[0], "--expat-count", path});
    }
    if (quillon.Wall < 0 || expat.Wall < 0) {
      std::printf("  %s: a process failed\n", path.c_str());
      ok = false;
      continue;
    }
    std::printf("  %-20s quillon-cli sax --count %7.1f MB/s cpu %7.1f MB/s wall   expat %7.1f MB/s cpu %7.1f MB/s wall"
                "   ratio %.2fx cpu %.2fx wall\n",
                std::filesystem::path(path).filename().c_str(), mb / quillon.Cpu, mb / quillon.Wall, mb / expat.Cpu,
                mb / expat.Wall, expat.Cpu / quillon.Cpu, expat.Wall / quillon.Wall);
  }
  return ok ? 0 : 1;
}

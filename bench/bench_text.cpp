// Decoding throughput of the text reader: a 100 MB UTF-8 document, every code unit taken
// through ReadNextChar (line counting included), beside iconv converting the same bytes to
// UTF-16LE in blocks of the same size. Prints MB/s of input bytes and the ratio.
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TextReadWrite.h"

namespace {

constexpr int32_t kBlock = 16384;
constexpr size_t kFileBytes = 100u * 1000u * 1000u;

// XML-like text: mostly ASCII markup, with accented Latin, a currency sign, CJK and now and
// then a character outside the BMP, the mix of a real multilingual catalogue.
void Generate(const std::string& aPath) {
  std::string tmp = aPath + ".tmp";
  std::ofstream out(tmp, std::ios::binary);
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<catalog>\n";
  size_t written = 60;
  const char* names[] = {"Caf\xC3\xA9 cr\xC3\xA8me", "Widget", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "M\xC3\xBC" "nchen",
                         "plain text item", "Smile \xF0\x9F\x98\x80"};
  for (unsigned i = 0; written < kFileBytes; ++i) {
    char line[512];
    int n = std::snprintf(line, sizeof line,
                          "  <item id=\"%u\" price=\"%u.%02u \xE2\x82\xAC\" stock=\"%s\">\r\n"
                          "    <name>%s</name>\r\n"
                          "    <descr>Item number %u &amp; its description, long enough to be text.</descr>\r\n"
                          "  </item>\r\n",
                          i, i % 997, i % 100, i % 3 ? "yes" : "no", names[i % 6], i);
    out.write(line, n);
    written += static_cast<size_t>(n);
  }
  out << "</catalog>\n";
  out.close();
  std::filesystem::rename(tmp, aPath);
}

std::vector<uint8_t> LoadFile(const std::string& aPath) {
  std::ifstream in(aPath, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

double Seconds(std::chrono::steady_clock::time_point a) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count();
}

struct TResult {
  double Seconds;
  uint64_t Units;
  uint64_t Check;
};

TResult RunReader(TTextReader& aReader) {
  auto t = std::chrono::steady_clock::now();
  char16_t c;
  uint64_t units = 0, check = 0;
  while (aReader.ReadNextChar(c)) {
    ++units;
    check += c;
  }
  check += static_cast<uint64_t>(aReader.Line());
  return {Seconds(t), units, check};
}

TResult ReaderFromMemory(const std::vector<uint8_t>& aData) {
  TVirtualMemoryStream stream;
  stream.SetBuffer(aData);
  TTextReader reader(kBlock);
  reader.InitStream(&stream, TEncoding::UTF8());
  return RunReader(reader);
}

TResult ReaderFromFile(const std::string& aPath) {
  TTextReader reader(kBlock);
  reader.InitFile(std::u16string(aPath.begin(), aPath.end()), TEncoding::UTF8());
  return RunReader(reader);
}

// The same work as the reader's decode step with iconv: blocks of kBlock bytes into a reused
// UTF-16 buffer; an incomplete sequence at a block end is carried into the next block.
TResult Iconv(const std::vector<uint8_t>& aData) {
  auto t = std::chrono::steady_clock::now();
  iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
  std::vector<char16_t> out(kBlock + 16);
  uint64_t units = 0, check = 0;
  size_t pos = 0;
  while (pos < aData.size()) {
    size_t n = std::min<size_t>(kBlock, aData.size() - pos);
    char* in = const_cast<char*>(reinterpret_cast<const char*>(aData.data() + pos));
    size_t inLeft = n;
    char* o = reinterpret_cast<char*>(out.data());
    size_t oLeft = out.size() * 2;
    while (inLeft > 0) {
      if (iconv(cd, &in, &inLeft, &o, &oLeft) != static_cast<size_t>(-1)) break;
      if (errno == EILSEQ) {
        ++in;
        --inLeft;
      } else {
        break;  // EINVAL: the rest starts the next block
      }
    }
    size_t produced = out.size() - oLeft / 2;
    units += produced;
    for (size_t i = 0; i < produced; i += 4096) check += out[i];
    pos += n - inLeft;
  }
  iconv_close(cd);
  return {Seconds(t), units, check};
}

template <class F>
TResult Best(F aRun) {
  TResult best = aRun();
  for (int i = 0; i < 2; ++i) {
    TResult r = aRun();
    if (r.Seconds < best.Seconds) best = r;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = "bench-data";
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--data-dir=", 11) == 0) dir = argv[i] + 11;
  std::filesystem::create_directories(dir);
  std::string path = dir + "/text-utf8-100mb.xml";
  if (!std::filesystem::exists(path)) {
    std::printf("generating %s\n", path.c_str());
    Generate(path);
  }
  std::vector<uint8_t> data = LoadFile(path);
  double mb = static_cast<double>(data.size()) / 1e6;

  TResult mem = Best([&] { return ReaderFromMemory(data); });
  TResult file = Best([&] { return ReaderFromFile(path); });
  TResult conv = Best([&] { return Iconv(data); });

  std::printf("input: %.1f MB UTF-8, %llu UTF-16 code units, blocks of %d bytes\n", mb,
              static_cast<unsigned long long>(mem.Units), kBlock);
  std::printf("%-44s %9.1f MB/s\n", "TTextReader.ReadNextChar, memory stream", mb / mem.Seconds);
  std::printf("%-44s %9.1f MB/s\n", "TTextReader.ReadNextChar, file stream", mb / file.Seconds);
  std::printf("%-44s %9.1f MB/s\n", "iconv UTF-8 -> UTF-16LE (decode only)", mb / conv.Seconds);
  std::printf("ratio reader (memory) / iconv: %.2fx   reader (file) / iconv: %.2fx\n", conv.Seconds / mem.Seconds,
              conv.Seconds / file.Seconds);
  if (mem.Units != conv.Units || file.Units != mem.Units) {
    std::printf("MISMATCH: code unit counts differ (reader %llu, file %llu, iconv %llu)\n",
                static_cast<unsigned long long>(mem.Units), static_cast<unsigned long long>(file.Units),
                static_cast<unsigned long long>(conv.Units));
    return 1;
  }
  return 0;
}

#include "BenchData.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

// A fixed sequence, so that every machine generates the same documents.
struct TRandom {
  uint64_t State = 0x9E3779B97F4A7C15ull;
  uint32_t Next() {
    State ^= State << 13;
    State ^= State >> 7;
    State ^= State << 17;
    return static_cast<uint32_t>(State >> 11);
  }
  uint32_t Below(uint32_t aLimit) { return Next() % aLimit; }
};

const char* const kNames[] = {"J\xC3\xB6rg M\xC3\xBCller", "Anna Smith", "\xC3\x89lodie Dupont", "Li Wei \xE6\x9D\x8E\xE4\xBC\x9F",
                              "Olga Petrova", "Tom\xC3\xA1\xC5\xA1 Nov\xC3\xA1k", "Maria Garc\xC3\xAD" "a", "Ken Sato"};
const char* const kCities[] = {"M\xC3\xBCnchen", "London", "Paris", "\xE6\x9D\xB1\xE4\xBA\xAC", "Praha", "Madrid", "Oslo", "Wien"};
const char* const kProducts[] = {"Widget &amp; gadget", "Caf\xC3\xA9 cr\xC3\xA8me", "Cable &lt;2m&gt;", "Lamp",
                                 "Notebook \xE2\x80\x93 A5", "Tea &#233;t\xC3\xA9", "Chair", "Desk &quot;Oak&quot;"};
const char* const kWords[] = {"the",   "parcel", "arrived", "quickly", "and",    "was",   "well",   "packed",
                              "na\xC3\xAFve", "r\xC3\xA9sum\xC3\xA9", "price", "&amp;", "delivery", "\xE2\x82\xAC", "\xE6\x97\xA5\xE6\x9C\xAC",
                              "order", "customer", "&lt;b&gt;", "fine", "good"};

void Words(std::string& aOut, TRandom& aRandom, int aCount) {
  for (int i = 0; i < aCount; ++i) {
    if (i) aOut += ' ';
    aOut += kWords[aRandom.Below(sizeof kWords / sizeof *kWords)];
  }
}

template <class F>
void WriteOnce(const std::string& aPath, F aFill) {
  if (std::filesystem::exists(aPath)) return;
  std::printf("generating %s\n", aPath.c_str());
  const std::string tmp = aPath + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary);
    aFill(out);
    if (!out) throw std::runtime_error("cannot write " + tmp);
  }
  std::filesystem::rename(tmp, aPath);
}

}  // namespace

std::string BenchDataDir(int argc, char** argv) {
  std::string dir = "bench-data";
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--data-dir=", 11) == 0) dir = argv[i] + 11;
  std::filesystem::create_directories(dir);
  return dir;
}

std::string BenchDocument(const std::string& aDataDir) {
  const std::string path = aDataDir + "/bench-100mb.xml";
  WriteOnce(path, [](std::ofstream& out) {
    constexpr size_t kBytes = 100u * 1000u * 1000u;
    TRandom random;
    std::string chunk;
    size_t written = 0;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- orders of a shop, generated for benchmarks -->\n"
           "<shop name=\"Bench &amp; Co\" version=\"1.0\">\n";
    char buf[256];
    for (uint32_t order = 1; written < kBytes; ++order) {
      chunk.clear();
      const uint32_t customer = random.Below(100000);
      std::snprintf(buf, sizeof buf,
                    "  <order id=\"%u\" date=\"2024-%02u-%02u\" status=\"%s\" currency=\"EUR\">\n", order,
                    1 + random.Below(12), 1 + random.Below(28), random.Below(3) ? "shipped" : "open");
      chunk += buf;
      std::snprintf(buf, sizeof buf, "    <customer id=\"c%u\"%s>\n      <name>", customer,
                    random.Below(5) ? "" : " vip=\"yes\"");
      chunk += buf;
      chunk += kNames[customer % 8];
      std::snprintf(buf, sizeof buf, "</name>\n      <email>user%u@example.com</email>\n", customer);
      chunk += buf;
      std::snprintf(buf, sizeof buf, "      <address street=\"Street %u\" city=\"%s\" zip=\"%05u\"/>\n",
                    random.Below(300), kCities[random.Below(8)], random.Below(100000));
      chunk += buf;
      chunk += "    </customer>\n";
      if (order % 4 == 0) {
        std::snprintf(buf, sizeof buf, "    <!-- checked by clerk %u -->\n", random.Below(50));
        chunk += buf;
      }
      const uint32_t items = 1 + random.Below(5);
      std::snprintf(buf, sizeof buf, "    <items count=\"%u\">\n", items);
      chunk += buf;
      for (uint32_t i = 0; i < items; ++i) {
        std::snprintf(buf, sizeof buf, "      <item sku=\"A-%04u\" qty=\"%u\" price=\"%u.%02u\">", random.Below(10000),
                      1 + random.Below(9), random.Below(500), random.Below(100));
        chunk += buf;
        chunk += kProducts[random.Below(8)];
        chunk += "</item>\n";
      }
      chunk += "    </items>\n";
      if (order % 3 == 0) {
        chunk += "    <note><![CDATA[Leave at the door <if> nobody answers & call ";
        chunk += kCities[random.Below(8)];
        chunk += ".]]></note>\n";
      }
      chunk += "    <review>";
      Words(chunk, random, 10 + int(random.Below(30)));
      chunk += "</review>\n  </order>\n";
      out.write(chunk.data(), std::streamsize(chunk.size()));
      written += chunk.size();
    }
    out << "</shop>\n";
  });
  return path;
}

std::string BenchAttributeDocument(const std::string& aDataDir) {
  const std::string path = aDataDir + "/bench-attrs.xml";
  WriteOnce(path, [](std::ofstream& out) {
    constexpr uint32_t kElements = 2000000;
    TRandom random;
    std::string chunk;
    char buf[256];
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<points>\n";
    for (uint32_t i = 0; i < kElements; ++i) {
      const int n = std::snprintf(buf, sizeof buf, "<p id=\"%u\" x=\"%u\" y=\"%u\" c=\"%s\"%s/>\n", i,
                                  random.Below(10000), random.Below(10000), random.Below(2) ? "red" : "blue",
                                  i % 4 ? "" : " t=\"a&amp;b\"");
      chunk.append(buf, size_t(n));
      if (chunk.size() > (1u << 20)) {
        out.write(chunk.data(), std::streamsize(chunk.size()));
        chunk.clear();
      }
    }
    out.write(chunk.data(), std::streamsize(chunk.size()));
    out << "</points>\n";
  });
  return path;
}

std::string BenchHugeNameDocument(const std::string& aDataDir) {
  const std::string path = aDataDir + "/focus-10mb-name.xml";
  WriteOnce(path, [](std::ofstream& out) {
    std::string name;
    name.reserve(kHugeNameLength);
    while (name.size() < kHugeNameLength) name += "huge.name-";
    name.resize(kHugeNameLength);
    out << "<?xml version=\"1.0\"?>\n<doc>\n  <before id=\"1\"/>\n  <" << name
        << " id=\"2\" kind=\"huge\">text of the element with the huge name</" << name
        << ">\n  <after id=\"3\"/>\n</doc>\n";
  });
  return path;
}

std::string BenchAmplifiedDocument(const std::string& aDataDir) {
  const std::string path = aDataDir + "/focus-amplified.xml";
  WriteOnce(path, [](std::ofstream& out) {
    // Each entity holds eight of the one before: "lol" (60 units) becomes 60 * 8^5 units in
    // e5, and the element's text holds three of those: about 5.9 million units of letters,
    // which also pass for Base64. The comment before it is ordinary text that the reader counts
    // against the expansion, so the bound on expansion relative to the input lets it through.
    out << "<?xml version=\"1.0\"?>\n<!DOCTYPE doc [\n  <!ENTITY e0 \"";
    for (int i = 0; i < 20; ++i) out << "lol";
    out << "\">\n";
    for (int e = 1; e <= 5; ++e) {
      out << "  <!ENTITY e" << e << " \"";
      for (int i = 0; i < 8; ++i) out << "&e" << e - 1 << ';';
      out << "\">\n";
    }
    out << "]>\n<!--\n";
    const std::string line(99, '.');
    for (int i = 0; i < 10000; ++i) out << line << '\n';
    out << "-->\n<doc>\n  <before id=\"1\"/>\n  <bomb id=\"2\" note=\"&e4;\">&e5;&e5;&e5;</bomb>\n  <after id=\"3\"/>\n"
           "</doc>\n";
  });
  return path;
}

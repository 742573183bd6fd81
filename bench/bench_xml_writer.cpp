// Writing throughput of TXMLWriter: a catalogue of 400 000 items (elements, attributes that
// need escaping, text with markup characters, comments), indented, UTF-8, beside libxml2's
// xmlTextWriter writing the same nodes. Both write to a sink that only counts the bytes, so
// the figures are the writers' own. Prints MB/s of output and the ratio.
#include <libxml/xmlwriter.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "XmlWriter.h"

namespace {

constexpr unsigned kItems = 400000;

struct TItem {
  std::u16string Id, Price, Name, Descr;
  std::string Id8, Price8, Name8, Descr8;
};

std::vector<TItem> MakeItems() {
  const char* names[] = {"Caf\xC3\xA9 cr\xC3\xA8me", "Widget & Co", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",
                         "M\xC3\xBCnchen", "plain text item", "a < b"};
  std::vector<TItem> items(64);
  for (unsigned i = 0; i < items.size(); ++i) {
    TItem& it = items[i];
    char buf[256];
    std::snprintf(buf, sizeof buf, "%u", i * 7919);
    it.Id8 = buf;
    std::snprintf(buf, sizeof buf, "%u.%02u \xE2\x82\xAC \"net\"", i % 997, i % 100);
    it.Price8 = buf;
    it.Name8 = names[i % 6];
    std::snprintf(buf, sizeof buf, "Item number %u & its description, long enough to be text > a line.", i);
    it.Descr8 = buf;
    it.Id = Utf8ToUtf16(it.Id8);
    it.Price = Utf8ToUtf16(it.Price8);
    it.Name = Utf8ToUtf16(it.Name8);
    it.Descr = Utf8ToUtf16(it.Descr8);
  }
  return items;
}

class TCountingStream : public TStream {
public:
  int64_t Bytes = 0;
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t aCount) override {
    Bytes += aCount;
    return aCount;
  }
  int64_t Seek(int64_t, TSeekOrigin) override { return Bytes; }
};

double Seconds(std::chrono::steady_clock::time_point a) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count();
}

struct TResult {
  double Seconds;
  int64_t Bytes;
};

TResult Quillon(const std::vector<TItem>& aItems) {
  auto t = std::chrono::steady_clock::now();
  TCountingStream sink;
  {
    TXMLWriter w(&sink, false);
    w.SetWriteBOM(false);
    w.WriterSettings().SetIndentType(itIndent);
    w.XMLDeclaration(true, u"1.0", u"");
    w.OpenElement(u"catalog", stFinish);
    for (unsigned i = 0; i < kItems; ++i) {
      const TItem& it = aItems[i % aItems.size()];
      w.OpenElement(u"item", stOpenOnly);
      w.Attribute(u"id", it.Id);
      w.Attribute(u"price", it.Price);
      w.FinishOpenElement();
      w.OpenElement(u"name", stFinish);
      w.Text(it.Name, false);
      w.CloseElement(u"name", false);
      w.OpenElement(u"descr", stFinish);
      w.Text(it.Descr, false);
      w.CloseElement(u"descr", false);
      if (i % 100 == 0) w.Comment(u" a comment now and then ");
      w.CloseElement(u"item", true);
    }
    w.CloseElement(u"catalog", true);
    w.ReleaseDocument();
  }
  return {Seconds(t), sink.Bytes};
}

int CountBytes(void* aContext, const char*, int aLength) {
  *static_cast<int64_t*>(aContext) += aLength;
  return aLength;
}

TResult LibXml2(const std::vector<TItem>& aItems) {
  auto t = std::chrono::steady_clock::now();
  int64_t bytes = 0;
  xmlOutputBufferPtr out = xmlOutputBufferCreateIO(CountBytes, nullptr, &bytes, nullptr);
  xmlTextWriterPtr w = xmlNewTextWriter(out);
  xmlTextWriterSetIndent(w, 1);
  xmlTextWriterSetIndentString(w, BAD_CAST "  ");
  auto x = [](const std::string& s) { return BAD_CAST s.c_str(); };
  xmlTextWriterStartDocument(w, "1.0", "utf-8", nullptr);
  xmlTextWriterStartElement(w, BAD_CAST "catalog");
  for (unsigned i = 0; i < kItems; ++i) {
    const TItem& it = aItems[i % aItems.size()];
    xmlTextWriterStartElement(w, BAD_CAST "item");
    xmlTextWriterWriteAttribute(w, BAD_CAST "id", x(it.Id8));
    xmlTextWriterWriteAttribute(w, BAD_CAST "price", x(it.Price8));
    xmlTextWriterWriteElement(w, BAD_CAST "name", x(it.Name8));
    xmlTextWriterWriteElement(w, BAD_CAST "descr", x(it.Descr8));
    if (i % 100 == 0) xmlTextWriterWriteComment(w, BAD_CAST " a comment now and then ");
    xmlTextWriterEndElement(w);
  }
  xmlTextWriterEndElement(w);
  xmlTextWriterEndDocument(w);
  xmlFreeTextWriter(w);  // flushes and closes the output buffer
  return {Seconds(t), bytes};
}

}  // namespace

int main() {
  const std::vector<TItem> items = MakeItems();
  TResult best[2] = {{1e9, 0}, {1e9, 0}};
  for (int round = 0; round < 3; ++round) {
    TResult q = Quillon(items), l = LibXml2(items);
    if (q.Seconds < best[0].Seconds) best[0] = q;
    if (l.Seconds < best[1].Seconds) best[1] = l;
  }
  auto mbps = [](const TResult& r) { return double(r.Bytes) / 1e6 / r.Seconds; };
  std::printf("TXMLWriter  %7.1f MB in %.3f s  %7.1f MB/s\n", double(best[0].Bytes) / 1e6, best[0].Seconds, mbps(best[0]));
  std::printf("libxml2     %7.1f MB in %.3f s  %7.1f MB/s\n", double(best[1].Bytes) / 1e6, best[1].Seconds, mbps(best[1]));
  std::printf("ratio (TXMLWriter / libxml2 throughput): %.2f\n", mbps(best[0]) / mbps(best[1]));
  return 0;
}

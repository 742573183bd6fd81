#include "Export.h"

#include <string_view>
#include <vector>

#include "Encodings.h"

namespace {

constexpr size_t cFlushBytes = 1 << 20;

void FlushBytes(std::string& aBuffer, TStream& aStream) {
  if (!aBuffer.empty()) aStream.WriteBuffer(aBuffer.data(), static_cast<int64_t>(aBuffer.size()));
  aBuffer.clear();
}

// Appends aText with every CR LF pair written as the two characters "/n".
void AppendCsvValue(std::u16string& aOut, std::u16string_view aText) {
  for (size_t i = 0; i < aText.size(); ++i) {
    if (aText[i] == u'\r' && i + 1 < aText.size() && aText[i + 1] == u'\n') {
      aOut += u"/n";
      ++i;
    } else {
      aOut.push_back(aText[i]);
    }
  }
}

void AppendJsonEscaped(std::string& aOut, uint8_t c) {
  switch (c) {
    case '\b': aOut += "\\b"; break;
    case '\t': aOut += "\\t"; break;
    case '\n': aOut += "\\n"; break;
    case '\f': aOut += "\\f"; break;
    case '\r': aOut += "\\r"; break;
    case '"': aOut += "\\\""; break;
    case '/': aOut += "\\/"; break;
    case '\\': aOut += "\\\\"; break;
    default:
      if (c < 0x20) {
        // A raw control character makes the whole file invalid JSON.
        static const char kHex[] = "0123456789abcdef";
        aOut += "\\u00";
        aOut.push_back(kHex[c >> 4]);
        aOut.push_back(kHex[c & 15]);
      } else {
        aOut.push_back(static_cast<char>(c));
      }
  }
}

// A JSON string from the tree's stored UTF-8 (lone surrogates in 3-byte form).
void AppendJsonStored(std::string& aOut, std::string_view aBytes) {
  aOut.push_back('"');
  const size_t n = aBytes.size();
  for (size_t i = 0; i < n; ++i) {
    const uint8_t c = static_cast<uint8_t>(aBytes[i]);
    if (c < 0x80) {
      AppendJsonEscaped(aOut, c);
    } else if (c == 0xED && i + 2 < n && static_cast<uint8_t>(aBytes[i + 1]) >= 0xA0) {
      aOut += "\xEF\xBF\xBD";  // a lone surrogate
      i += 2;
    } else {
      aOut.push_back(static_cast<char>(c));
    }
  }
  aOut.push_back('"');
}

void AppendJsonName(std::string& aOut, std::string_view aPrefix, std::u16string_view aName) {
  std::string bytes(aPrefix);
  bytes.resize(aPrefix.size() + Utf8Length(aName));
  Utf16ToUtf8(aName, bytes.data() + aPrefix.size(), lsKeep);
  AppendJsonStored(aOut, bytes);
}

}  // namespace

void WriteCSV(const TNodeTree& aTree, TStream& aStream) {
  TEncoding* encoding = TEncoding::Default();
  std::u16string lines;
  std::vector<uint8_t> bytes;
  std::u16string value;
  std::u16string prefix;  // the names of the current node's ancestors, each followed by "."
  struct TLevel {
    TNodeIndex Node;
    size_t PrefixLength;  // of the prefix of the node's children
  };
  std::vector<TLevel> levels;
  auto flush = [&] {
    const size_t n = encoding->EncodeInto(lines, bytes);
    if (n) aStream.WriteBuffer(bytes.data(), static_cast<int64_t>(n));
    lines.clear();
  };

  const TNodeIndex count = aTree.Count();
  TNodeIndex n = aTree.First();
  while (n != cNoNode && n < count) {
    const TNodeType kind = aTree.Typ(n);
    if (kind == ntXML) {  // the declaration and its pseudo-attributes
      n = aTree.SubtreeEnd(n);
      continue;
    }
    const TNodeIndex parent = aTree.Parent(n);
    while (!levels.empty() && levels.back().Node != parent) levels.pop_back();
    prefix.resize(levels.empty() ? 0 : levels.back().PrefixLength);
    const std::u16string_view name = aTree.Name(n);
    if (kind == ntEmptyTag || kind == ntTag) {
      lines += prefix;
      lines += name;
    } else if (kind == ntAttr) {
      lines += prefix;
      lines += u'[';
      lines += name;
      lines += u']';
    }
    if (kind <= ntAttr) {
      lines += u';';
      aTree.ValueInto(n, value);
      AppendCsvValue(lines, value);
      lines += u"\r\n";
      if (lines.size() >= cFlushBytes / 2) flush();
    }
    if (aTree.HasChildren(n)) {
      prefix += name;
      prefix += u'.';
      levels.push_back({n, prefix.size()});
    }
    n = aTree.Next(n);
  }
  flush();
}

bool WriteJSON(const TNodeTree& aTree, TStream& aStream) {
  TNodeIndex top = aTree.First();
  while (top != cNoNode && !aTree.IsElement(top)) top = aTree.NextSibling(top);
  if (top == cNoNode) return false;

  struct TFrame {
    TNodeIndex Node;
    TNodeIndex Child;       // the next child to write
    bool Any;               // a member has been written
    bool LastWasAttribute;  // the last child seen is an attribute
  };
  std::vector<TFrame> stack;
  // No byte-order mark: JSON forbids one, and strict parsers refuse a file that starts with it.
  std::string out = "{";
  stack.push_back({top, aTree.FirstChild(top), false, false});
  while (!stack.empty()) {
    TFrame& f = stack.back();
    if (f.Child == cNoNode) {
      if (f.LastWasAttribute) {
        if (f.Any) out.push_back(',');
        out += "\"#text\":";
        AppendJsonStored(out, aTree.ValueBytes(f.Node));
      }
      out.push_back('}');
      stack.pop_back();
      continue;
    }
    const TNodeIndex c = f.Child;
    f.Child = aTree.NextSibling(c);
    const TNodeType kind = aTree.Typ(c);
    f.LastWasAttribute = kind == ntAttr;
    if (kind == ntAttr) {
      if (f.Any) out.push_back(',');
      f.Any = true;
      AppendJsonName(out, "@", aTree.Name(c));
      out.push_back(':');
      AppendJsonStored(out, aTree.ValueBytes(c));
    } else if ((kind == ntEmptyTag || kind == ntTag) && !aTree.Name(c).empty()) {
      if (f.Any) out.push_back(',');
      f.Any = true;
      AppendJsonName(out, "", aTree.Name(c));
      out.push_back(':');
      const TNodeIndex first = aTree.FirstChild(c);
      if (first != cNoNode) {
        out.push_back('{');
        stack.push_back({c, first, false, false});  // f is not used past this point
      } else {
        AppendJsonStored(out, aTree.ValueBytes(c));
      }
    }
    if (out.size() >= cFlushBytes) FlushBytes(out, aStream);
  }
  out += "\r\n";
  FlushBytes(out, aStream);
  return true;
}

void ExportToCSV(const TNodeTree& aTree, const std::u16string& aFilename) {
  TAtomicFileStream file(aFilename);
  WriteCSV(aTree, file);
  file.Commit();
}

bool ExportToJSON(const TNodeTree& aTree, const std::u16string& aFilename) {
  TNodeIndex top = aTree.First();
  while (top != cNoNode && !aTree.IsElement(top)) top = aTree.NextSibling(top);
  if (top == cNoNode) return false;
  TAtomicFileStream file(aFilename);
  WriteJSON(aTree, file);
  file.Commit();
  return true;
}

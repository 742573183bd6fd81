// The document of a viewer window without the window: loading a file into the node tree with
// its counters, Content fragments, declared encoding and Messages lines, the file information
// for the change check, the tree search's resume point and the two exports. The window shows
// what this holds; everything here runs without a user interface.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Encodings.h"
#include "IconIndex.h"
#include "NodeTree.h"
#include "Search.h"

// The texts a load writes.
namespace DocumentTexts {
inline constexpr std::u16string_view cFileSizeB = u"File size: %s B";
inline constexpr std::u16string_view cFileSizeKB = u"File size: %s KB";
inline constexpr std::u16string_view cTagCount = u"Tag count: %s";
inline constexpr std::u16string_view cPICount = u"Processing Instruction count: %s";
inline constexpr std::u16string_view cAttrCount = u"Attribute count: %s";
inline constexpr std::u16string_view cParsingTime = u"Parsing time: %s s";
inline constexpr std::u16string_view cErrorAt = u"Error at line %d at position %d: %s: %s";
inline constexpr std::u16string_view cNotValidXML = u"File is not valid XML.";
inline constexpr std::u16string_view cOutOfMemory = u"Not enough memory to load the whole file; the tree holds the part read before.";
inline constexpr std::u16string_view cTreeLimit = u"The file cannot be loaded whole: %s The tree holds the part read before.";
inline constexpr std::u16string_view cNoContent = u"No XML content found: the file holds no element, comment or processing instruction.";
inline constexpr std::u16string_view cUnknownEncoding = u"Encoding \"%s\" is not supported; the file was read as UTF-8.";
inline constexpr std::u16string_view cFileChanged = u"File %s changed. Reload?";
inline constexpr std::u16string_view cNodeXML = u"<?xml?>";
inline constexpr std::u16string_view cNodeComment = u"Comment";
}  // namespace DocumentTexts

// How numbers are shown to the user.
struct TNumberFormat {
  std::u16string ThousandSeparator;  // may be empty
  std::u16string DecimalSeparator = u".";
  // The separators of the C library's current LC_NUMERIC locale; a program calls
  // setlocale(LC_ALL, "") first to get the user's.
  static TNumberFormat FromCLocale();
};
// An integer with thousands separators and no decimals.
std::u16string FormatThousands(int64_t aValue, const TNumberFormat& aFormat);
// A number with two decimals (rounded half away from zero), no thousands separators.
std::u16string FormatFixed2(double aValue, const TNumberFormat& aFormat);

struct TFileInfo {
  bool Exists = false;
  bool Regular = false;  // a file, not a folder, pipe, device or socket
  int64_t Size = 0;
  std::chrono::system_clock::time_point Modified{};  // last write
};
TFileInfo GetFileInfo(const std::u16string& aFilename);

// If aCount > 0 and aText is longer, its first aCount code units and "..."; then every CR LF
// pair removed (a lone CR or LF stays).
std::u16string ShortenText(std::u16string_view aText, int32_t aCount);

// The encoding that the byte-order mark at the start of the file names (UTF-8 without one) and
// the mark's length. A file shorter than a mark simply has none. Raises EFOpenError when the
// file cannot be opened. Returns a shared instance.
TEncoding* GetFileEncoding(const std::u16string& aFilename, int* aBOMLength = nullptr);

struct TMessageLine {
  TIconIndex ImageIndex;
  std::u16string Text;
};

class TXMLDocument {
public:
  TXMLDocument();
  ~TXMLDocument();
  TXMLDocument(const TXMLDocument&) = delete;
  TXMLDocument& operator=(const TXMLDocument&) = delete;

  // ---- options, read at each load ----
  bool StrictXML() const { return FStrictXML; }
  void SetStrictXML(bool aValue) { FStrictXML = aValue; }
  // Read when attribute nodes are added; RefreshView applies a change to a loaded tree.
  bool AttributesInTree() const { return FAttributesInTree; }
  void SetAttributesInTree(bool aValue) { FAttributesInTree = aValue; }
  const TNumberFormat& NumberFormat() const { return FNumberFormat; }
  void SetNumberFormat(TNumberFormat aValue) { FNumberFormat = std::move(aValue); }
  // Called while loading every ProgressInterval parser events with the approximate byte
  // position and the file size (for a progress bar).
  std::function<void(int64_t aPosition, int64_t aSize)> OnProgress;
  int32_t ProgressInterval = 65536;

  // ---- loading ----
  // Makes aFilename absolute and loads it: the tree, counters, Content fragments, Messages and
  // file information are replaced; a load error leaves the nodes built so far and an error
  // line in Messages. Never raises for a bad or missing file.
  void SetFilename(const std::u16string& aFilename);
  const std::u16string& Filename() const { return FFilename; }
  void Reread() { SetFilename(FFilename); }
  // Takes the file information again, so a changed file is not reported again.
  void RefreshMod() { FFI = GetFileInfo(FFilename); }
  // The change check: the file exists and its last write differs from the loaded one by one
  // millisecond or more.
  bool FileChanged() const;
  void AddMsg(TIconIndex aImageIndex, std::u16string aText) { FMessages.push_back({aImageIndex, std::move(aText)}); }

  // ---- what a load leaves ----
  TNodeTree& Tree() { return FTree; }
  const TNodeTree& Tree() const { return FTree; }
  int64_t TagCnt() const { return FTagCnt; }
  int64_t AttrCnt() const { return FAttrCnt; }
  int64_t PICnt() const { return FPICnt; }
  // The Content fragments (empty for files of 10 MiB and more); the Content tab shows when
  // there are any.
  const std::vector<std::u16string>& Cnt() const { return FCnt; }
  bool ContentVisible() const { return !FCnt.empty(); }
  // The encoding pseudo-attribute of the last declaration seen; "utf-8" at first.
  const std::u16string& Encoding() const { return FEncoding; }
  const std::vector<TMessageLine>& Messages() const { return FMessages; }
  // The last load met a parse error or failed (the Messages end with its error line).
  bool LoadFailed() const { return FLoadFailed; }
  const TFileInfo& FileInfo() const { return FFI; }
  int64_t Size() const { return FFI.Size; }
  std::chrono::system_clock::time_point Modified() const { return FFI.Modified; }

  // ---- search and export ----
  // The tree search's resume point: cNoNode starts at the first node. A load clears it.
  TNodeIndex Root() const { return FRoot; }
  void SetRoot(TNodeIndex aNode) { FRoot = aNode; }
  // One tree search step from the resume point (see Search.h); cNoNode when nothing more
  // matches, after which the next search starts at the top.
  TNodeIndex SearchTree(std::u16string_view aText);
  void ExportToCSV(const std::u16string& aFilename) const;
  // False, and no file, when the tree has no top-level element.
  bool ExportToJSON(const std::u16string& aFilename) const;

  // Applies "Attributes in Tree" to every attribute node.
  void RefreshView(bool aAttributesInTree);

private:
  class TLoader;
  std::u16string CreateTree(const std::u16string& aFilename);

  bool FStrictXML = false;
  bool FAttributesInTree = true;
  TNumberFormat FNumberFormat;
  std::u16string FFilename;
  TFileInfo FFI;
  int64_t FTagCnt = 0;
  int64_t FAttrCnt = 0;
  int64_t FPICnt = 0;
  std::vector<std::u16string> FCnt;
  TNodeIndex FRoot = cNoNode;
  // The last search's matcher, kept while the text stays the same: searching step by step
  // through many matches must not start the matcher's memory again at every step.
  std::unique_ptr<TTreeMatcher> FMatcher;
  std::u16string FEncoding = u"utf-8";
  std::u16string FUnknownEncoding;  // a declared name no converter knows, for the warning line
  bool FLoadFailed = false;
  std::vector<TMessageLine> FMessages;
  TNodeTree FTree;
};

#include "Search.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <array>
#include <memory>

namespace {

// The upper-case table of the BMP, built once from the C library's Unicode locale so that the
// result does not depend on the user's locale.
struct TUpperTable {
  std::array<char16_t, 65536> Map;
  TUpperTable() {
    for (uint32_t c = 0; c < 65536; ++c) Map[c] = static_cast<char16_t>(c);
    for (char16_t c = u'a'; c <= u'z'; ++c) Map[c] = AsciiUpper(c);
    locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (!loc) return;
    for (uint32_t c = 0x80; c < 65536; ++c) {
      if (IsSurrogate(c)) continue;
      const wint_t u = towupper_l(static_cast<wint_t>(c), loc);
      if (u < 0x10000 && !IsSurrogate(u)) Map[c] = static_cast<char16_t>(u);
    }
    freelocale(loc);
  }
};

const TUpperTable& UpperTable() {
  static const TUpperTable table;
  return table;
}

// aNeedle is upper case and not empty.
bool ContainsAsciiNoCase(std::string_view aHay, std::string_view aNeedle) {
  const size_t n = aNeedle.size();
  if (aHay.size() < n) return false;
  const uint8_t first = static_cast<uint8_t>(aNeedle[0]);
  const size_t last = aHay.size() - n;
  for (size_t i = 0; i <= last; ++i) {
    if (AsciiUpper(static_cast<uint8_t>(aHay[i])) != first) continue;
    size_t k = 1;
    while (k < n && AsciiUpper(static_cast<uint8_t>(aHay[i + k])) == static_cast<uint8_t>(aNeedle[k])) ++k;
    if (k == n) return true;
  }
  return false;
}

}  // namespace

char16_t UpperCaseUnit(char16_t c) noexcept { return UpperTable().Map[c]; }

std::u16string UpperCase(std::u16string_view aText) {
  const auto& map = UpperTable().Map;
  std::u16string s(aText);
  for (char16_t& c : s) c = map[c];
  return s;
}

TTreeMatcher::TTreeMatcher(const TNodeTree& aTree, std::u16string_view aText)
    : FTree(aTree), FText(aText), FNeedle(UpperCase(aText)) {
  FNeedleAscii = true;
  for (char16_t c : FNeedle)
    if (c >= 0x80) FNeedleAscii = false;
  if (FNeedleAscii)
    for (char16_t c : FNeedle) FNeedleBytes.push_back(static_cast<char>(c));
}

bool TTreeMatcher::TextMatches(std::u16string_view aText) {
  if (aText.size() < FNeedle.size()) return false;
  const auto& map = UpperTable().Map;
  FBuffer.resize(aText.size());
  for (size_t i = 0; i < aText.size(); ++i) FBuffer[i] = map[aText[i]];
  return FBuffer.find(FNeedle) != std::u16string::npos;
}

bool TTreeMatcher::NameMatches(uint32_t aNameId) {
  // Grown as ids come up, so a short search step in a tree of many names stays short.
  if (aNameId >= FNameState.size())
    FNameState.resize(std::min<size_t>(std::max<size_t>(aNameId + 1, FNameState.size() * 2), FTree.Names().Count()), -1);
  int8_t& state = FNameState[aNameId];
  if (state < 0) state = TextMatches(FTree.Names().Get(aNameId)) ? 1 : 0;
  return state == 1;
}

bool TTreeMatcher::Matches(TNodeIndex aNode) {
  if (FNeedle.empty()) return false;
  if (NameMatches(FTree.NameId(aNode))) return true;
  if (FTree.ValueEmpty(aNode)) return false;
  if (FTree.ValueIsAscii(aNode)) {
    // An ASCII text upper-cases to ASCII, so only an ASCII needle can occur in it.
    return FNeedleAscii && ContainsAsciiNoCase(FTree.ValueBytes(aNode), FNeedleBytes);
  }
  FTree.ValueInto(aNode, FBuffer);
  const auto& map = UpperTable().Map;
  for (char16_t& c : FBuffer) c = map[c];
  return FBuffer.find(FNeedle) != std::u16string::npos;
}

TNodeIndex TTreeMatcher::FindFrom(TNodeIndex aStart) {
  if (FNeedle.empty()) return cNoNode;
  for (TNodeIndex n = aStart; n != cNoNode && n < FTree.Count(); n = FTree.Next(n))
    if (Matches(n)) return n;
  return cNoNode;
}

TNodeIndex SearchTree(const TNodeTree& aTree, TNodeIndex& aResume, TTreeMatcher& aMatcher) {
  const TNodeIndex start = aResume != cNoNode ? aResume : aTree.First();
  aResume = cNoNode;
  if (start == cNoNode) return cNoNode;
  const TNodeIndex found = aMatcher.FindFrom(start);
  if (found != cNoNode) aResume = aTree.Next(found);
  return found;
}

TNodeIndex SearchTree(const TNodeTree& aTree, TNodeIndex& aResume, std::u16string_view aText) {
  TTreeMatcher matcher(aTree, aText);
  return SearchTree(aTree, aResume, matcher);
}

// The tree search: a forward walk in document order over every node, hidden and collapsed ones
// included, that finds a text in the full Name or Value of a node without regard to case (both
// sides compared in upper case, one code unit at a time).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "NodeTree.h"

// Upper case of one UTF-16 code unit (the Unicode simple mapping; code units whose upper case
// lies outside the BMP, and surrogates, stay as they are).
char16_t UpperCaseUnit(char16_t c) noexcept;
std::u16string UpperCase(std::u16string_view aText);

// Matches nodes against one search text. Name results are remembered per distinct name, so a
// walk over millions of nodes that share a few names compares each name once. A caller that
// searches step by step keeps its matcher between the steps: a new one would start its name
// memory afresh at every step.
class TTreeMatcher {
public:
  TTreeMatcher(const TNodeTree& aTree, std::u16string_view aText);
  // The search text as given.
  const std::u16string& Text() const { return FText; }
  // aText occurs in the node's Name or Value. An empty text occurs nowhere.
  bool Matches(TNodeIndex aNode);
  // The first matching node from aStart on in document order, or cNoNode.
  TNodeIndex FindFrom(TNodeIndex aStart);

private:
  bool NameMatches(uint32_t aNameId);
  bool TextMatches(std::u16string_view aText);

  const TNodeTree& FTree;
  std::u16string FText;
  std::u16string FNeedle;  // upper case
  bool FNeedleAscii;
  std::string FNeedleBytes;       // the same, as bytes, when it is ASCII
  std::vector<int8_t> FNameState;  // per name id: -1 not yet compared, 0 no, 1 yes
  std::u16string FBuffer;
};

// One step of the viewer's tree search. Starts at aResume (the first node when it is cNoNode),
// clears it, and returns the first matching node, setting aResume to the node after it (cNoNode
// when it was the last). Returns cNoNode when nothing matches up to the end; aResume then stays
// cNoNode so that the next search starts at the top.
TNodeIndex SearchTree(const TNodeTree& aTree, TNodeIndex& aResume, std::u16string_view aText);
// The same step with a matcher that the caller keeps for the tree and the text.
TNodeIndex SearchTree(const TNodeTree& aTree, TNodeIndex& aResume, TTreeMatcher& aMatcher);

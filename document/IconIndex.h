// Indexes into the shared icon list (45 icons of 16 x 16 pixels, drawn by the window chrome
// controls). They live here, below every window, because the document model names the icons
// of its Messages lines and of its node kinds; the model, the windows and the list refer to
// icons only by these names.
#pragma once

#include <cstdint>

#include "NodeTree.h"

enum TIconIndex : int32_t {
  iiNone = -1,
  iiExit = 0, iiCascade = 1, iiTileHorizontal = 2, iiTileVertical = 3, iiFullExpand = 4,
  iiFullCollapse = 5, iiWindowTitle = 5, iiRestore = 6, iiMinimize = 7, iiMaximize = 8,
  iiClose = 9, iiCloseAll = 10, iiOpen = 11, iiMinimizeAll = 12, iiDocument = 13, iiPrint = 14,
  iiSearch = 15, iiSearchNext = 16, iiEmptyElement = 17, iiElement = 18, iiAttribute = 19,
  iiProcessingInstruction = 20, iiComment = 21, iiParsingTime = 22, iiPath = 23,
  iiWarning = 24, iiAbout = 25, iiText = 26, iiError = 27, iiFileSize = 28, iiRefresh = 29,
  iiClear = 30, iiExport = 31, iiOptions = 32, iiXMLDeclaration = 33, iiSave = 34,
  iiFindReplace = 35, iiRedo = 36, iiUndo = 37, iiPaste = 38, iiCut = 39, iiCopy = 40,
  iiNew = 41, iiEditor = 42, iiValidate = 43, iiFormat = 44
};

// The icon of a node of this kind in the tree's first column; iiNone for text nodes.
constexpr TIconIndex NodeTypeIcon(TNodeType aType) noexcept {
  switch (aType) {
    case ntEmptyTag: return iiEmptyElement;
    case ntTag: return iiElement;
    case ntAttr: return iiAttribute;
    case ntPI: return iiProcessingInstruction;
    case ntComment: return iiComment;
    case ntXML: return iiXMLDeclaration;
    default: return iiNone;
  }
}

// The shared icon list: 45 icons of 16 x 16 pixels, drawn in code so they stay crisp at
// device pixel ratio 1 and 2. Menus, tool bars, the window bar and the document windows'
// controls refer to them by index.
//
//  0 Exit                    15 Search (new search)          30 Clear search box
//  1 Cascade                 16 Search (continue after match) 31 Export (spare)
//  2 Tile horizontally       17 Empty element node            32 Options (spare)
//  3 Tile vertically         18 Element node                  33 XML declaration node
//  4 Full expand             19 Attribute node                34 Save
//  5 Full collapse, window   20 Processing instruction node   35 Find and replace
//    title                   21 Comment node                  36 Redo
//  6 Restore                 22 Parsing time                  37 Undo
//  7 Minimize                23 Path bar                      38 Paste
//  8 Maximize                24 Warning (spare)               39 Cut
//  9 Close                   25 About                         40 Copy
// 10 Close all (spare)       26 Text node (spare)             41 New
// 11 Open                    27 Error                         42 Editor
// 12 Minimize all (spare)    28 File size                     43 Validate XML
// 13 Document window         29 Refresh                       44 Format XML
// 14 Print
// "Spare" marks indexes no window uses yet; they carry glyphs that fit the set.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <vector>

#include "IconIndex.h"


class TIconList {
public:
  static constexpr int cCount = 45;
  static constexpr int cSize = 16;

  TIconList();

  int Count() const { return cCount; }
  // The icon with pixmaps for ratio 1 and 2; a null icon for an index out of range.
  QIcon Icon(int aIndex) const;
  // The icon at a device pixel ratio (16 x 16 logical pixels); null when out of range.
  QPixmap Pixmap(int aIndex, qreal aDevicePixelRatio = 1.0) const;
  // Drawing without a GUI application object: ARGB32 premultiplied, 16 * ratio square.
  static QImage Render(int aIndex, qreal aDevicePixelRatio = 1.0);

  // The list the windows of this process share; made on first use (needs the GUI
  // application object).
  static const TIconList& Shared();

private:
  std::vector<QIcon> FIcons;
};

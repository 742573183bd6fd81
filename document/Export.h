// The two flat exports of the node tree. Both read only the tree (hidden nodes too), so they
// show exactly what it holds, also a tree cut short by a parse error.
//
// CSV: one line per element and per attribute in document order (the XML declaration and its
// pseudo-attributes, comments and processing instructions give none), each ended by CR LF, in
// the system 8-bit encoding without byte-order mark: "a.b;value" for an element, "a.b.[id];value"
// for an attribute, CR LF pairs inside values written as "/n", nothing quoted.
//
// JSON: UTF-8 with byte-order mark, one compact object built from the children of the first
// top-level element, followed by CR LF (see WriteJSON).
//
// Both walk the tree with loops, so any nesting depth works; the output is produced in pieces
// and written to a temporary file that replaces the target only when complete.
#pragma once

#include <string>

#include "BufferedStreams.h"
#include "NodeTree.h"

void WriteCSV(const TNodeTree& aTree, TStream& aStream);
// Object of a node N, members in the order of N's children: a child element with children of
// its own gives "name":{object}, one without gives "name":"value"; an attribute gives
// "@name":"value"; comments and processing instructions give nothing; when N's last child is an
// attribute, "#text":"N's value" closes the object. Repeated names repeat; members with an empty
// name are left out. Strings escape \b \t \n \f \r \" \/ \\, write the other control characters
// below U+0020 as \u00XX and keep every other character as it is (lone surrogates become
// U+FFFD, as UTF-8 cannot hold them).
// Returns false, writing nothing, when the tree has no top-level element.
bool WriteJSON(const TNodeTree& aTree, TStream& aStream);

// The file forms: the file is created or replaced; errors raise (EFCreateError, EWriteError).
void ExportToCSV(const TNodeTree& aTree, const std::u16string& aFilename);
// Creates no file when WriteJSON has nothing to write.
bool ExportToJSON(const TNodeTree& aTree, const std::u16string& aFilename);

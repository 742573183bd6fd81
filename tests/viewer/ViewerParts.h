// The parts of a document window that headless tests drive: widgets by their object names,
// nodes by their names.
#pragma once

#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

#include <string_view>

#include "NodeTree.h"
#include "QtText.h"

// The child of aWindow named aName; a missing one fails the running test.
template <class T>
T* WindowPart(const QWidget& aWindow, const char* aName) {
  T* part = aWindow.findChild<T*>(QString::fromLatin1(aName));
  EXPECT_NE(part, nullptr) << aName;
  return part;
}

// The aNth node (from 0, in document order) named aName; a missing one fails the running test.
inline TNodeIndex FindNode(const TNodeTree& aNodes, std::u16string_view aName, int aNth = 0) {
  for (TNodeIndex n = aNodes.First(); n != cNoNode; n = aNodes.Next(n))
    if (aNodes.Name(n) == aName && aNth-- == 0) return n;
  ADD_FAILURE() << "no node " << ToQString(aName).left(20).toStdString();
  return cNoNode;
}

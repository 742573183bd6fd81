// The recently used files: full names, oldest first, at most MaxItems, shown as entries at
// the end of a menu and kept in the settings store's "MRU" section. Two names are the same
// entry when they lead to the same file (exact, canonical comparison; Linux names are
// case-sensitive).
#pragma once

#include "Corvane.LayoutManager.Storage.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

#include <QMenu>

class TLayoutManagerMRU : public QObject {
  Q_OBJECT
public:
  explicit TLayoutManagerMRU(QObject* AParent = nullptr);
  ~TLayoutManagerMRU() override;

  const QStringList& Items() const { return FItems; }
  int Count() const { return int(FItems.size()); }
  QString GeItem(int AIndex) const { return FItems.value(AIndex); }
  int IndexOf(const QString& AItem) const;

  int MaxItems = 10;
  QString SectionName = QStringLiteral("MRU");
  int StartImageIndex = 0;
  ILayoutManagerStorage* Storage = nullptr;

  // The menu whose entries show the list (menu item and context menu are one thing here).
  QMenu* Menu() const { return FMenu.data(); }
  void SetMenu(QMenu* AMenu);
  // Given the list and the chosen entry's file name.
  std::function<void(TLayoutManagerMRU*, const QString&)> OnMenuClick;
  void SetOnMenuClick(std::function<void(TLayoutManagerMRU*, const QString&)> AHandler);
  // The icon of entry i is AIconOf(StartImageIndex + i); none when it gives a null icon.
  std::function<QIcon(int)> IconOf;

  void Add(const QString& AItem);
  void Remove(const QString& AItem);
  void Delete(int AIndex);
  void Clear();
  void Restore();
  void Save();

private:
  void RebuildMenu();

  QStringList FItems;
  QPointer<QMenu> FMenu;
};

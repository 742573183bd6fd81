#include "Corvane.LayoutManager.MRU.h"

#include "CanonicalPath.h"

#include <QAction>
#include <QIcon>
#include <QMenu>

namespace {

const QString cMruPrefix = QStringLiteral("mru_");

QString StorageNotAssigned() { return QStringLiteral("TLayoutManagerMRU: Storage is not assigned"); }

QString EntryName(int AIndex) { return QStringLiteral("%1").arg(AIndex, 3, 10, QLatin1Char('0')); }

}  // namespace

TLayoutManagerMRU::TLayoutManagerMRU(QObject* AParent) : QObject(AParent) {}

TLayoutManagerMRU::~TLayoutManagerMRU() = default;

int TLayoutManagerMRU::IndexOf(const QString& AItem) const {
  if (AItem.isEmpty()) return -1;
  for (int i = 0; i < FItems.size(); ++i)
    if (FItems[i] == AItem) return i;
  const QString wanted = CanonicalFileName(AItem);
  for (int i = 0; i < FItems.size(); ++i)
    if (CanonicalFileName(FItems[i]) == wanted) return i;
  return -1;
}

void TLayoutManagerMRU::SetMenu(QMenu* AMenu) {
  if (FMenu && FMenu != AMenu) {
    // The old menu loses its entries.
    QStringList keep = FItems;
    FItems.clear();
    RebuildMenu();
    FItems = keep;
  }
  FMenu = AMenu;
  RebuildMenu();
}

void TLayoutManagerMRU::SetOnMenuClick(std::function<void(TLayoutManagerMRU*, const QString&)> AHandler) {
  OnMenuClick = std::move(AHandler);
  RebuildMenu();
}

void TLayoutManagerMRU::Add(const QString& AItem) {
  if (AItem.isEmpty() || IndexOf(AItem) >= 0) return;
  const int max = qMax(1, MaxItems);
  while (FItems.size() >= max) FItems.removeFirst();
  FItems.append(AItem);
  RebuildMenu();
}

void TLayoutManagerMRU::Remove(const QString& AItem) {
  const int index = IndexOf(AItem);
  if (index >= 0) FItems.removeAt(index);
  RebuildMenu();
}

void TLayoutManagerMRU::Delete(int AIndex) {
  if (AIndex < 0 || AIndex >= FItems.size()) return;
  FItems.removeAt(AIndex);
  RebuildMenu();
}

void TLayoutManagerMRU::Clear() {
  FItems.clear();
  RebuildMenu();
}

void TLayoutManagerMRU::Restore() {
  if (!Storage) throw ELayoutStorageError(StorageNotAssigned());
  FItems.clear();
  try {
    const int64_t count = Storage->ReadInteger(SectionName, QStringLiteral("Count"), 0);
    for (int64_t i = 0; i < count && i < 1000; ++i) {
      const QString item = Storage->ReadString(SectionName, EntryName(int(i)), QString());
      if (!item.isEmpty()) FItems.append(item);
    }
  } catch (...) {
    Storage->Close();
    FItems.clear();
    RebuildMenu();
    throw;
  }
  Storage->Close();
  RebuildMenu();
}

void TLayoutManagerMRU::Save() {
  if (!Storage) throw ELayoutStorageError(StorageNotAssigned());
  Storage->DeleteSection(SectionName);
  if (!FItems.isEmpty()) {
    Storage->WriteInteger(SectionName, QStringLiteral("Count"), FItems.size());
    for (int i = 0; i < FItems.size(); ++i) Storage->WriteString(SectionName, EntryName(i), FItems[i]);
  }
  Storage->Close();
}

void TLayoutManagerMRU::RebuildMenu() {
  QMenu* menu = FMenu.data();
  if (!menu) return;
  for (QAction* action : menu->actions()) {
    if (action->objectName().startsWith(cMruPrefix)) {
      menu->removeAction(action);
      // Later: the entry being chosen may be the one that changed the list.
      if (action->parent() == this) action->deleteLater();
    }
  }
  QAction* separator = new QAction(this);
  separator->setSeparator(true);
  separator->setObjectName(QStringLiteral("mru_Separator"));
  menu->addAction(separator);
  for (int i = 0; i < FItems.size(); ++i) {
    const QString item = FItems[i];
    QString caption = item;
    // An ampersand in a name is part of it, not an access key.
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    auto* action = new QAction(caption, this);
    action->setObjectName(cMruPrefix + QString::number(i));
    action->setData(i);
    if (IconOf) {
      const QIcon icon = IconOf(StartImageIndex + i);
      if (!icon.isNull()) action->setIcon(icon);
    }
    connect(action, &QAction::triggered, this, [this, i] {
      // The entry's name is looked up when it is chosen: the list may have changed meanwhile.
      if (OnMenuClick && i < FItems.size()) {
        const QString chosen = FItems[i];
        OnMenuClick(this, chosen);
      }
    });
    menu->addAction(action);
  }
}

#include "Corvane.LayoutManager.Control.h"

#include <QGuiApplication>
#include <QMetaProperty>
#include <QScreen>
#include <QSplitter>

#include <algorithm>

#include "ScopeGuard.h"

namespace {

std::function<QString(const QWidget*)>& DisplayKeyHook() {
  static std::function<QString(const QWidget*)> hook;
  return hook;
}

// Closes the store however a save or restore ends, also when a value of the wrong kind
// stops it.
class TStorageSession {
public:
  TStorageSession(ILayoutManagerStorage* AStorage, bool AReadOnly) : FStorage(AStorage) {
    if (FStorage) FStorage->Open(AReadOnly);
  }
  ~TStorageSession() {
    if (FStorage) FStorage->Close();
  }
  TStorageSession(const TStorageSession&) = delete;
  TStorageSession& operator=(const TStorageSession&) = delete;

private:
  ILayoutManagerStorage* FStorage;
};

QString PairText(int A, int B) { return QStringLiteral("%1,%2").arg(A).arg(B); }

// "left,top" or "width,height": each half falls back to its current value when it is no
// number; a text without a comma changes nothing.
bool ParsePair(QString AText, int& A, int& B) {
  AText.truncate(255);
  const qsizetype comma = AText.indexOf(QLatin1Char(','));
  if (comma < 0) return false;
  bool ok = false;
  const int first = AText.left(comma).trimmed().toInt(&ok);
  if (ok) A = first;
  const int second = AText.mid(comma + 1).trimmed().toInt(&ok);
  if (ok) B = second;
  return true;
}

int WindowStateValue(const QWidget* AForm) {
  if (AForm->isMinimized()) return 1;
  if (AForm->isMaximized() || AForm->isFullScreen()) return 2;
  return 0;
}

// The property of AObject that a stored name stands for: the name as written, else the
// same name with a lower-case first letter ("Checked" is QAction's "checked").
QMetaProperty FindProperty(const QObject* AObject, const QString& AName) {
  const QMetaObject* meta = AObject->metaObject();
  int index = meta->indexOfProperty(AName.toLatin1().constData());
  if (index < 0 && !AName.isEmpty()) {
    QString lower = AName;
    lower[0] = lower[0].toLower();
    index = meta->indexOfProperty(lower.toLatin1().constData());
  }
  return index < 0 ? QMetaProperty() : meta->property(index);
}

enum TValueKind { vkNone, vkInteger, vkString, vkFloat, vkStringList };

TValueKind KindOf(const QMetaProperty& AProperty) {
  if (AProperty.isEnumType() || AProperty.isFlagType()) return vkInteger;
  switch (AProperty.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::UChar:
    case QMetaType::Long:
    case QMetaType::ULong:
      return vkInteger;
    case QMetaType::QString:
    case QMetaType::QChar:
      return vkString;
    case QMetaType::Double:
    case QMetaType::Float:
      return vkFloat;
    case QMetaType::QStringList:
      return vkStringList;
    default:
      return vkNone;
  }
}

bool IsWidthName(const QString& AName) { return AName.compare(QLatin1String("Width"), Qt::CaseInsensitive) == 0; }
bool IsHeightName(const QString& AName) { return AName.compare(QLatin1String("Height"), Qt::CaseInsensitive) == 0; }

}  // namespace

// --- Display key -------------------------------------------------------------------------------

void SetDisplayKeyHook(std::function<QString(const QWidget*)> AHook) { DisplayKeyHook() = std::move(AHook); }

QString DisplayKeyOf(const QWidget* AWindow) {
  if (DisplayKeyHook()) return DisplayKeyHook()(AWindow);
  if (!AWindow) return QString();
  QScreen* screen = AWindow->screen();
  if (!screen) return QString();
  const QRect desktop = screen->virtualGeometry();
  // Effective dots per inch: the logical ones scaled as the monitor scales its pixels.
  const int dpi = qRound(screen->logicalDotsPerInchX() * screen->devicePixelRatio());
  return QStringLiteral("%1x%2x%3").arg(desktop.width()).arg(desktop.height()).arg(dpi);
}

void SetControlExtent(QWidget* AControl, Qt::Orientation AOrientation, int AValue) {
  if (!AControl) return;
  AValue = std::max(AValue, 0);
  auto* splitter = qobject_cast<QSplitter*>(AControl->parentWidget());
  if (splitter && splitter->orientation() == AOrientation) {
    const int index = splitter->indexOf(AControl);
    QList<int> sizes = splitter->sizes();
    if (index >= 0 && index < sizes.size()) {
      int total = 0;
      for (int size : sizes) total += size;
      if (total <= 0) {
        // Not laid out yet: the proportions are all that count; the sizes are taken as hints.
        for (int i = 0; i < sizes.size(); ++i) {
          QWidget* child = splitter->widget(i);
          const QSize hint = child->sizeHint();
          sizes[i] = std::max(1, AOrientation == Qt::Horizontal ? hint.width() : hint.height());
        }
      }
      // The neighbour after it (before it for the last pane) gives or takes the room.
      const int neighbour = index + 1 < sizes.size() ? index + 1 : index - 1;
      if (neighbour >= 0 && total > 0) {
        const int room = sizes[index] + sizes[neighbour];
        AValue = std::min(AValue, room);
        sizes[neighbour] = room - AValue;
      }
      sizes[index] = AValue;
      splitter->setSizes(sizes);
      return;
    }
  }
  if (AOrientation == Qt::Horizontal)
    AControl->resize(AValue, AControl->height());
  else
    AControl->resize(AControl->width(), AValue);
}

// --- TLayoutManagerControlLayout -------------------------------------------------------------------

QString TLayoutManagerControlLayout::Section() const {
  return FControl ? FControl->Section() + QStringLiteral("\\Layout") : QString();
}

// --- TLayoutManagerControl ---------------------------------------------------------------------

TLayoutManagerControl::TLayoutManagerControl(TLayoutManager* AManager, QObject* AComponent,
                                             const QStringList& AProperties, TLayoutManagerControlOptions AOptions)
    : FManager(AManager), FComponent(AComponent), FProperties(AProperties), FOptions(AOptions) {
  FProperties.sort();
  FProperties.removeDuplicates();
  if (!qobject_cast<QWidget*>(AComponent)) FOptions = 0;
}

TLayoutManagerControl::~TLayoutManagerControl() = default;

void TLayoutManagerControl::SetOptions(TLayoutManagerControlOptions AOptions) {
  FOptions = qobject_cast<QWidget*>(FComponent.data()) ? AOptions : 0;
}

void TLayoutManagerControl::SetLayout(std::unique_ptr<ILayoutManagerControlLayout> ALayout) {
  FLayout = std::move(ALayout);
  if (FLayout) FLayout->Attach(this);
}

ILayoutManagerStorage* TLayoutManagerControl::Storage() const { return FManager->Storage(); }

QWidget* TLayoutManagerControl::Window() const {
  for (QObject* object = FComponent.data(); object; object = object->parent())
    if (auto* widget = qobject_cast<QWidget*>(object)) return widget->window();
  return FManager->Owner();
}

QString TLayoutManagerControl::Section() const {
  QObject* component = FComponent.data();
  if (!component) return QString();
  QWidget* owner = FManager->Owner();
  if (component == owner) return QString::fromLatin1(component->metaObject()->className());
  const QString owned = owner ? QString::fromLatin1(owner->metaObject()->className()) : QString();
  return owned.isEmpty() ? component->objectName() : owned + QLatin1Char('\\') + component->objectName();
}

QString TLayoutManagerControl::DisplayKey() const { return DisplayKeyOf(Window()); }

QString TLayoutManagerControl::LayoutSection() const {
  if (FOptions & loDisplayIndependent) return Section();
  return Section() + QLatin1Char('#') + DisplayKey();
}

void TLayoutManagerControl::Save() {
  ILayoutManagerStorage* storage = Storage();
  QObject* component = FComponent.data();
  if (!storage || !component || FManager->ReadOnly() || FManager->Restoring()) return;
  TStorageSession session(storage, false);
  const QString section = Section();
  const QString layoutSection = LayoutSection();
  if (storage->SectionExists(section)) storage->DeleteSection(section);
  if (!(FOptions & loDisplayIndependent) && storage->SectionExists(layoutSection))
    storage->DeleteSection(layoutSection);

  if (auto* widget = qobject_cast<QWidget*>(component)) {
    if (widget == FManager->Owner())
      SaveForm(widget, layoutSection);
    else
      SaveControl(widget, layoutSection);
  }
  SaveProperties(layoutSection);
}

void TLayoutManagerControl::SaveForm(QWidget* AForm, const QString& ALayoutSection) {
  ILayoutManagerStorage* storage = Storage();
  const int state = WindowStateValue(AForm);
  if ((FOptions & loSize) && state == 0)
    storage->WriteString(ALayoutSection, QStringLiteral("Size"), PairText(AForm->width(), AForm->height()));
  if (FOptions & loPosition) {
    if (state == 0) storage->WriteString(ALayoutSection, QStringLiteral("Pos"), PairText(AForm->x(), AForm->y()));
    storage->WriteInteger(ALayoutSection, QStringLiteral("Align"), 0);
  }
  if ((FOptions & loState) && state != 1) storage->WriteInteger(ALayoutSection, QStringLiteral("State"), state);
  if (FOptions & loStyle) storage->WriteInteger(ALayoutSection, QStringLiteral("Style"), FManager->FormStyle);
  // Always false here: a read-only manager saves nothing.
  if (FManager->KeepsReadOnly) storage->WriteBoolean(Section(), QStringLiteral("LayoutReadOnly"), FManager->ReadOnly());
}

void TLayoutManagerControl::SaveControl(QWidget* AControl, const QString& ALayoutSection) {
  ILayoutManagerStorage* storage = Storage();
  if (FOptions & loSize) {
    storage->WriteInteger(ALayoutSection, QStringLiteral("Width"), AControl->width());
    storage->WriteInteger(ALayoutSection, QStringLiteral("Height"), AControl->height());
  }
  if (FOptions & loPosition) {
    storage->WriteInteger(ALayoutSection, QStringLiteral("Left"), AControl->x());
    storage->WriteInteger(ALayoutSection, QStringLiteral("Top"), AControl->y());
  }
  if (FOptions & loState) {
    storage->WriteBoolean(ALayoutSection, QStringLiteral("Visible"), AControl->isVisibleTo(AControl->parentWidget()));
    storage->WriteBoolean(ALayoutSection, QStringLiteral("Enabled"), AControl->isEnabled());
  }
  if (FLayout) FLayout->Save();
}

void TLayoutManagerControl::SaveProperties(const QString& ALayoutSection) {
  ILayoutManagerStorage* storage = Storage();
  QObject* component = FComponent.data();
  auto* widget = qobject_cast<QWidget*>(component);
  for (const QString& name : FProperties) {
    // A widget's width and height are read-only as Qt properties; they are kept as its extent.
    if (widget && IsWidthName(name)) {
      storage->WriteInteger(ALayoutSection, name, widget->width());
      continue;
    }
    if (widget && IsHeightName(name)) {
      storage->WriteInteger(ALayoutSection, name, widget->height());
      continue;
    }
    const QMetaProperty property = FindProperty(component, name);
    if (!property.isValid() || !property.isReadable() || !property.isWritable()) continue;
    const QVariant value = property.read(component);
    switch (KindOf(property)) {
      case vkInteger:
        storage->WriteInteger(ALayoutSection, name, value.toLongLong());
        break;
      case vkString:
        storage->WriteString(ALayoutSection, name, value.toString());
        break;
      case vkFloat:
        storage->WriteFloat(ALayoutSection, name, value.toDouble());
        break;
      case vkStringList: {
        const QString sub = ALayoutSection + QLatin1Char('\\') + name;
        storage->DeleteSection(sub);
        const QStringList lines = value.toStringList();
        storage->WriteInteger(sub, QStringLiteral("Count"), lines.size());
        for (int i = 0; i < lines.size(); ++i) storage->WriteString(sub, QString::number(i), lines[i]);
        break;
      }
      case vkNone:
        break;
    }
  }
}

void TLayoutManagerControl::Restore(TLayoutManagerControlOptions AOptionsMask) {
  ILayoutManagerStorage* storage = Storage();
  QObject* component = FComponent.data();
  if (!storage || !component) return;
  TStorageSession session(storage, true);
  QString readSection = Section();
  if (!(FOptions & loDisplayIndependent)) {
    const QString layoutSection = LayoutSection();
    if (storage->SectionExists(layoutSection)) readSection = layoutSection;
  }
  if (auto* widget = qobject_cast<QWidget*>(component)) {
    if (widget == FManager->Owner())
      RestoreForm(widget, readSection, FOptions & AOptionsMask);
    else
      RestoreControl(widget, readSection);
  }
  RestoreProperties(readSection);
}

void TLayoutManagerControl::RestoreForm(QWidget* AForm, const QString& AReadSection,
                                        TLayoutManagerControlOptions AOptions) {
  ILayoutManagerStorage* storage = Storage();
  const QString key = DisplayKey();
  // "Pos", or the older per-display "Pos(key)" when it is missing or empty.
  auto pairText = [&](const QString& AName) {
    QString text = storage->ReadString(AReadSection, AName, QString());
    if (text.isEmpty()) text = storage->ReadString(AReadSection, AName + QLatin1Char('(') + key + QLatin1Char(')'), QString());
    return text;
  };
  if (AOptions & loPosition) {
    storage->ReadInteger(AReadSection, QStringLiteral("Align"), 0);  // forms are never aligned
    int left = AForm->x(), top = AForm->y();
    if (ParsePair(pairText(QStringLiteral("Pos")), left, top)) AForm->move(left, top);
  }
  if (AOptions & loSize) {
    int width = AForm->width(), height = AForm->height();
    if (ParsePair(pairText(QStringLiteral("Size")), width, height)) AForm->resize(width, height);
  }
  if ((AOptions & loState) && storage->ValueExists(AReadSection, QStringLiteral("State"))) {
    const int64_t state = storage->ReadInteger(AReadSection, QStringLiteral("State"), 0);
    Qt::WindowStates states = AForm->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    if (state == 1) states |= Qt::WindowMinimized;
    if (state == 2) states |= Qt::WindowMaximized;
    AForm->setWindowState(states);
  }
  if ((AOptions & loStyle) && !FManager->MainForm && storage->ValueExists(AReadSection, QStringLiteral("Style"))) {
    const int64_t style = storage->ReadInteger(AReadSection, QStringLiteral("Style"), FManager->FormStyle);
    // Only "stay on top" means something to a top-level window here.
    if (style == fsNormal || style == fsStayOnTop) {
      const bool onTop = style == fsStayOnTop;
      if (AForm->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != onTop) {
        const bool visible = AForm->isVisible();
        AForm->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
        if (visible) AForm->show();
      }
      FManager->FormStyle = int(style);
    }
  }
  if (FManager->KeepsReadOnly)
    FManager->SetReadOnly(storage->ReadBoolean(Section(), QStringLiteral("LayoutReadOnly"), FManager->ReadOnly()));
}

void TLayoutManagerControl::RestoreControl(QWidget* AControl, const QString& AReadSection) {
  ILayoutManagerStorage* storage = Storage();
  if (FOptions & loSize) {
    SetControlExtent(AControl, Qt::Horizontal, int(storage->ReadInteger(AReadSection, QStringLiteral("Width"), AControl->width())));
    SetControlExtent(AControl, Qt::Vertical, int(storage->ReadInteger(AReadSection, QStringLiteral("Height"), AControl->height())));
  }
  if (FOptions & loPosition) {
    storage->ReadInteger(AReadSection, QStringLiteral("Align"), 0);
    AControl->move(int(storage->ReadInteger(AReadSection, QStringLiteral("Left"), AControl->x())),
                   int(storage->ReadInteger(AReadSection, QStringLiteral("Top"), AControl->y())));
  }
  if (FOptions & loState) {
    AControl->setVisible(storage->ReadBoolean(AReadSection, QStringLiteral("Visible"), AControl->isVisibleTo(AControl->parentWidget())));
    AControl->setEnabled(storage->ReadBoolean(AReadSection, QStringLiteral("Enabled"), AControl->isEnabled()));
  }
  if (FLayout) FLayout->Restore();
}

void TLayoutManagerControl::RestoreProperties(const QString& AReadSection) {
  ILayoutManagerStorage* storage = Storage();
  for (const QString& name : FProperties) {
    QObject* component = FComponent.data();
    if (!component) return;
    auto* widget = qobject_cast<QWidget*>(component);
    if (widget && (IsWidthName(name) || IsHeightName(name))) {
      const bool width = IsWidthName(name);
      const int64_t value = storage->ReadInteger(AReadSection, name, width ? widget->width() : widget->height());
      SetControlExtent(widget, width ? Qt::Horizontal : Qt::Vertical, int(value));
      continue;
    }
    const QMetaProperty property = FindProperty(component, name);
    if (!property.isValid() || !property.isReadable() || !property.isWritable()) continue;
    const QVariant current = property.read(component);
    switch (KindOf(property)) {
      case vkInteger: {
        const int64_t value = storage->ReadInteger(AReadSection, name, current.toLongLong());
        if (property.typeId() == QMetaType::Bool)
          property.write(component, value != 0);
        else
          property.write(component, QVariant::fromValue(qlonglong(value)));
        break;
      }
      case vkString:
        property.write(component, storage->ReadString(AReadSection, name, current.toString()));
        break;
      case vkFloat:
        property.write(component, storage->ReadFloat(AReadSection, name, current.toDouble()));
        break;
      case vkStringList: {
        const QString sub = AReadSection + QLatin1Char('\\') + name;
        const int64_t count = storage->ReadInteger(sub, QStringLiteral("Count"), 0);
        if (count >= 1) {
          QStringList lines;
          for (int64_t i = 0; i < count && i < 1000000; ++i)
            lines.append(storage->ReadString(sub, QString::number(i), QString()));
          property.write(component, lines);
        }
        break;
      }
      case vkNone:
        break;
    }
  }
}

// --- TLayoutManager ------------------------------------------------------------------------------

TLayoutManager::TLayoutManager(QWidget* AOwner) : FOwner(AOwner) {}

TLayoutManager::~TLayoutManager() = default;

int TLayoutManager::IndexOf(const QObject* AComponent) const {
  for (size_t i = 0; i < FControls.size(); ++i)
    if (FControls[i]->Component() == AComponent) return int(i);
  return -1;
}

int TLayoutManager::Add(QObject* AComponent, const QStringList& AProps) {
  if (!AComponent || IndexOf(AComponent) >= 0) return -1;
  FControls.push_back(std::make_unique<TLayoutManagerControl>(this, AComponent, AProps, 0));
  return int(FControls.size()) - 1;
}

int TLayoutManager::Add(QWidget* AControl, const QStringList& AProps, TLayoutManagerControlOptions AOptions,
                        const TLayoutClass& ALayoutClass) {
  if (!AControl || IndexOf(AControl) >= 0) return -1;
  auto control = std::make_unique<TLayoutManagerControl>(this, AControl, AProps, AOptions);
  TLayoutManagerControl* entry = control.get();
  // The form goes first whenever it is registered, so that deleting its section on save
  // comes before its controls write theirs.
  int index = int(FControls.size());
  if (AControl == FOwner.data()) {
    FControls.insert(FControls.begin(), std::move(control));
    index = 0;
  } else {
    FControls.push_back(std::move(control));
  }
  if (ALayoutClass) {
    entry->SetLayout(ALayoutClass());
    if (entry->Layout() && !FReadOnly && FStorage) {
      TStorageSession session(FStorage, false);
      entry->Layout()->SaveDefault(false);
    }
  }
  return index;
}

void TLayoutManager::Remove(QObject* AComponent) {
  const int index = IndexOf(AComponent);
  if (index >= 0) FControls.erase(FControls.begin() + index);
}

void TLayoutManager::SetOptions(QWidget* AControl, TLayoutManagerControlOptions AOptions) {
  const int index = IndexOf(AControl);
  if (index >= 0) FControls[size_t(index)]->SetOptions(AOptions);
}

void TLayoutManager::Restore() {
  if (!FStorage) return;
  const auto restoring = ScopedFlag(FRestoring);
  if (OnBeforeRestore) OnBeforeRestore(FOwner.data());
  for (size_t i = 0; i < FControls.size(); ++i) FControls[i]->Restore();
  if (OnAfterRestore) OnAfterRestore(FOwner.data());
}

void TLayoutManager::Restore(QObject* AComponent, TLayoutManagerControlOptions AOptionsMask) {
  const int index = IndexOf(AComponent);
  if (index < 0 || !FStorage) return;
  const auto restoring = ScopedFlag(FRestoring);
  FControls[size_t(index)]->Restore(AOptionsMask);
}

void TLayoutManager::Save() {
  if (!FStorage || FReadOnly || FRestoring) return;
  if (OnBeforeSave) OnBeforeSave(FOwner.data());
  for (size_t i = 0; i < FControls.size(); ++i) FControls[i]->Save();
  if (OnAfterSave) OnAfterSave(FOwner.data());
}

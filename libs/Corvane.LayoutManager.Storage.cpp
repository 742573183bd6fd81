#include "Corvane.LayoutManager.Storage.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include <cmath>
#include <limits>

namespace {

QString InvalidDataType(const QString& AName) { return QStringLiteral("Invalid data type for '%1'").arg(AName); }
QString FailedToGetData(const QString& AName) { return QStringLiteral("Failed to get data for '%1'").arg(AName); }

// Section paths use "\" between levels; QSettings groups use "/".
QString GroupPath(const QString& ASection) {
  QString path = ASection;
  path.replace(QLatin1Char('\\'), QLatin1Char('/'));
  while (path.startsWith(QLatin1Char('/'))) path.remove(0, 1);
  while (path.endsWith(QLatin1Char('/'))) path.chop(1);
  return path;
}

// Integers are stored as plain decimal text; anything else under an integer's name is a
// value of another kind.
bool IsIntegerText(const QString& AText) {
  if (AText.isEmpty()) return false;
  qsizetype i = AText.startsWith(QLatin1Char('-')) ? 1 : 0;
  if (i == AText.size()) return false;
  for (; i < AText.size(); ++i)
    if (AText[i] < QLatin1Char('0') || AText[i] > QLatin1Char('9')) return false;
  return true;
}

// Date-times are days since 30 December 1899, the fraction being the time of day.
const QDateTime cDateTimeEpoch(QDate(1899, 12, 30), QTime(0, 0), Qt::LocalTime);

}  // namespace

TLayoutManagerRegistryStorage::TLayoutManagerRegistryStorage(const QString& AFileName) : FFileName(AFileName) {}

TLayoutManagerRegistryStorage::~TLayoutManagerRegistryStorage() { Close(); }

QSettings& TLayoutManagerRegistryStorage::Settings() {
  if (!FSettings) Open(false);
  return *FSettings;
}

void TLayoutManagerRegistryStorage::Open(bool) {
  if (FSettings) return;
  FSettings = std::make_unique<QSettings>(FFileName, QSettings::IniFormat);
}

void TLayoutManagerRegistryStorage::Close() {
  if (!FSettings) return;
  FSettings->sync();
  FSettings.reset();
}

void TLayoutManagerRegistryStorage::Save() {
  if (FSettings) FSettings->sync();
}

void TLayoutManagerRegistryStorage::Clear() {
  Settings().clear();
  Close();
}

QString TLayoutManagerRegistryStorage::Key(const QString& ASection, const QString& AName) const {
  const QString group = GroupPath(ASection);
  return group.isEmpty() ? AName : group + QLatin1Char('/') + AName;
}

bool TLayoutManagerRegistryStorage::SectionExists(const QString& AName) {
  const QString group = GroupPath(AName);
  if (group.isEmpty()) return true;
  QSettings& settings = Settings();
  settings.beginGroup(group);
  const bool exists = !settings.childKeys().isEmpty() || !settings.childGroups().isEmpty();
  settings.endGroup();
  return exists;
}

bool TLayoutManagerRegistryStorage::ValueExists(const QString& ASection, const QString& AName) {
  return !AName.isEmpty() && Settings().contains(Key(ASection, AName));
}

bool TLayoutManagerRegistryStorage::ReadText(const QString& ASection, const QString& AName, QString& AText) {
  if (AName.isEmpty()) return false;
  const QVariant value = Settings().value(Key(ASection, AName));
  if (!value.isValid()) return false;
  switch (value.typeId()) {
    case QMetaType::QString:
      AText = value.toString();
      return true;
    case QMetaType::QStringList:
      // A hand-written value with unquoted commas ("100,200"): the text as the file spells it.
      AText = value.toStringList().join(QLatin1Char(','));
      return true;
    default:
      throw ELayoutStorageError(InvalidDataType(AName));
  }
}

bool TLayoutManagerRegistryStorage::ReadBoolean(const QString& ASection, const QString& AName, bool ADefault) {
  return ReadInteger(ASection, AName, ADefault ? 1 : 0) != 0;
}

int64_t TLayoutManagerRegistryStorage::ReadInteger(const QString& ASection, const QString& AName,
                                                   int64_t ADefault) {
  QString text;
  if (!ReadText(ASection, AName, text)) return ADefault;
  text = text.trimmed();
  if (!IsIntegerText(text)) throw ELayoutStorageError(InvalidDataType(AName));
  bool ok = false;
  const qlonglong value = text.toLongLong(&ok);
  if (!ok) throw ELayoutStorageError(FailedToGetData(AName));
  return value;
}

QString TLayoutManagerRegistryStorage::ReadString(const QString& ASection, const QString& AName,
                                                  const QString& ADefault) {
  QString text;
  return ReadText(ASection, AName, text) ? text : ADefault;
}

double TLayoutManagerRegistryStorage::ReadFloat(const QString& ASection, const QString& AName, double ADefault) {
  QString text;
  if (!ReadText(ASection, AName, text)) return ADefault;
  bool ok = false;
  const double value = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(value)) throw ELayoutStorageError(InvalidDataType(AName));
  return value;
}

QDateTime TLayoutManagerRegistryStorage::ReadDatetime(const QString& ASection, const QString& AName,
                                                      const QDateTime& ADefault) {
  if (!ValueExists(ASection, AName)) return ADefault;
  const double days = ReadFloat(ASection, AName, 0);
  // Beyond a few million years the milliseconds no longer fit; such a value is no date.
  if (std::fabs(days) > 1e9) throw ELayoutStorageError(InvalidDataType(AName));
  return cDateTimeEpoch.addMSecs(qint64(std::llround(days * 86400000.0)));
}

void TLayoutManagerRegistryStorage::WriteBoolean(const QString& ASection, const QString& AName, bool AValue) {
  WriteInteger(ASection, AName, AValue ? 1 : 0);
}

void TLayoutManagerRegistryStorage::WriteInteger(const QString& ASection, const QString& AName, int64_t AValue) {
  if (AName.isEmpty()) return;
  Settings().setValue(Key(ASection, AName), QString::number(qlonglong(AValue)));
}

void TLayoutManagerRegistryStorage::WriteString(const QString& ASection, const QString& AName,
                                                const QString& AValue) {
  if (AName.isEmpty()) return;
  Settings().setValue(Key(ASection, AName), AValue);
}

void TLayoutManagerRegistryStorage::WriteFloat(const QString& ASection, const QString& AName, double AValue) {
  if (AName.isEmpty()) return;
  // The shortest text that reads back as the same double.
  Settings().setValue(Key(ASection, AName), QString::number(AValue, 'g', QLocale::FloatingPointShortest));
}

void TLayoutManagerRegistryStorage::WriteDatetime(const QString& ASection, const QString& AName,
                                                  const QDateTime& AValue) {
  WriteFloat(ASection, AName, double(cDateTimeEpoch.msecsTo(AValue)) / 86400000.0);
}

QStringList TLayoutManagerRegistryStorage::ReadSection(const QString& ASection) {
  QSettings& settings = Settings();
  const QString group = GroupPath(ASection);
  if (!group.isEmpty()) settings.beginGroup(group);
  const QStringList keys = settings.childKeys();
  if (!group.isEmpty()) settings.endGroup();
  return keys;
}

void TLayoutManagerRegistryStorage::DeleteSection(const QString& ASection, bool AAnyOccurence) {
  const QString group = GroupPath(ASection);
  // An empty name would be the whole store.
  if (group.isEmpty()) return;
  QSettings& settings = Settings();
  if (!AAnyOccurence) {
    settings.remove(group);
    return;
  }
  const qsizetype slash = group.lastIndexOf(QLatin1Char('/'));
  const QString parent = slash < 0 ? QString() : group.left(slash);
  const QString prefix = group.mid(slash + 1);
  if (!parent.isEmpty()) settings.beginGroup(parent);
  const QStringList children = settings.childGroups();
  for (const QString& child : children)
    if (child.startsWith(prefix)) settings.remove(child);
  if (!parent.isEmpty()) settings.endGroup();
}

void TLayoutManagerRegistryStorage::DeleteValue(const QString& ASection, const QString& AName) {
  if (AName.isEmpty()) return;
  const QString key = Key(ASection, AName);
  QSettings& settings = Settings();
  if (settings.contains(key)) settings.remove(key);
}

QString UserSettingsFile(const QString& AOrganization, const QString& AFile) {
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty() || QDir::isRelativePath(base)) base = QDir::homePath() + QStringLiteral("/.config");
  return QDir::cleanPath(base + QLatin1Char('/') + AOrganization + QLatin1Char('/') + AFile);
}

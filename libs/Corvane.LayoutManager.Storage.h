// The settings store that layouts, options and the recently-used list live in: a tree of
// sections (paths with "\" between levels) holding named values of four kinds, integer
// (booleans as 0 and 1), string, float and date-time. On this desktop the per-user store is
// one INI file kept by QSettings, which rewrites it atomically and locks it while it does.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <stdexcept>

class QSettings;

// A value that cannot be read or written as asked, with the store's fixed message texts.
class ELayoutStorageError : public std::runtime_error {
public:
  explicit ELayoutStorageError(const QString& AMessage) : std::runtime_error(AMessage.toStdString()) {}
};

class ILayoutManagerStorage {
public:
  virtual ~ILayoutManagerStorage() = default;

  virtual void Open(bool AReadOnly) = 0;
  virtual void Close() = 0;
  virtual bool SectionExists(const QString& AName) = 0;
  virtual bool ValueExists(const QString& ASection, const QString& AName) = 0;

  // The stored value, ADefault when the section or the value is missing; a value of another
  // kind throws "Invalid data type for '%s'".
  virtual bool ReadBoolean(const QString& ASection, const QString& AName, bool ADefault) = 0;
  virtual int64_t ReadInteger(const QString& ASection, const QString& AName, int64_t ADefault) = 0;
  virtual QString ReadString(const QString& ASection, const QString& AName, const QString& ADefault) = 0;
  virtual double ReadFloat(const QString& ASection, const QString& AName, double ADefault) = 0;
  virtual QDateTime ReadDatetime(const QString& ASection, const QString& AName, const QDateTime& ADefault) = 0;

  virtual void WriteBoolean(const QString& ASection, const QString& AName, bool AValue) = 0;
  virtual void WriteInteger(const QString& ASection, const QString& AName, int64_t AValue) = 0;
  virtual void WriteString(const QString& ASection, const QString& AName, const QString& AValue) = 0;
  virtual void WriteFloat(const QString& ASection, const QString& AName, double AValue) = 0;
  virtual void WriteDatetime(const QString& ASection, const QString& AName, const QDateTime& AValue) = 0;

  // The value names of the section (empty when it does not exist).
  virtual QStringList ReadSection(const QString& ASection) = 0;
  // The section with everything below it; with AAnyOccurence every section beside it whose
  // name begins with its last part.
  virtual void DeleteSection(const QString& ASection, bool AAnyOccurence = false) = 0;
  virtual void DeleteValue(const QString& ASection, const QString& AName) = 0;
  virtual void Save() = 0;
};

// The per-user store. The file is read on first use and written back at Close and Save;
// a file that cannot be written leaves the settings as they were, without a word.
class TLayoutManagerRegistryStorage : public ILayoutManagerStorage {
public:
  explicit TLayoutManagerRegistryStorage(const QString& AFileName);
  ~TLayoutManagerRegistryStorage() override;

  QString FileName() const { return FFileName; }
  bool Opened() const { return FSettings != nullptr; }
  // Removes every section (for a fresh start in tests and scripted runs).
  void Clear();

  void Open(bool AReadOnly) override;
  void Close() override;
  bool SectionExists(const QString& AName) override;
  bool ValueExists(const QString& ASection, const QString& AName) override;
  bool ReadBoolean(const QString& ASection, const QString& AName, bool ADefault) override;
  int64_t ReadInteger(const QString& ASection, const QString& AName, int64_t ADefault) override;
  QString ReadString(const QString& ASection, const QString& AName, const QString& ADefault) override;
  double ReadFloat(const QString& ASection, const QString& AName, double ADefault) override;
  QDateTime ReadDatetime(const QString& ASection, const QString& AName, const QDateTime& ADefault) override;
  void WriteBoolean(const QString& ASection, const QString& AName, bool AValue) override;
  void WriteInteger(const QString& ASection, const QString& AName, int64_t AValue) override;
  void WriteString(const QString& ASection, const QString& AName, const QString& AValue) override;
  void WriteFloat(const QString& ASection, const QString& AName, double AValue) override;
  void WriteDatetime(const QString& ASection, const QString& AName, const QDateTime& AValue) override;
  QStringList ReadSection(const QString& ASection) override;
  void DeleteSection(const QString& ASection, bool AAnyOccurence = false) override;
  void DeleteValue(const QString& ASection, const QString& AName) override;
  void Save() override;

private:
  QSettings& Settings();
  QString Key(const QString& ASection, const QString& AName) const;
  // The stored text of a value, or false when there is none.
  bool ReadText(const QString& ASection, const QString& AName, QString& AText);

  QString FFileName;
  std::unique_ptr<QSettings> FSettings;
};

// The store file of this user: $XDG_CONFIG_HOME/<AOrganization>/<AFile> (~/.config when the
// variable is unset).
QString UserSettingsFile(const QString& AOrganization, const QString& AFile);

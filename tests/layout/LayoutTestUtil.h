// A fresh settings file per test, in the test run's private configuration folder.
#pragma once

#include "Corvane.LayoutManager.Storage.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class StoreTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(FDir.isValid());
    FStore = std::make_unique<TLayoutManagerRegistryStorage>(FDir.filePath(QStringLiteral("Quillon-6.x.conf")));
  }

  // The file's text as written so far.
  QByteArray FileText() {
    FStore->Close();
    QFile file(FStore->FileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  bool FileExists() { FStore->Close(); return QFileInfo::exists(FStore->FileName()); }
  void WriteFile(const QByteArray& AText) {
    FStore->Close();
    QFile file(FStore->FileName());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(AText);
  }

  // The message of the store error that AWork throws, or empty.
  template <typename F>
  static QString ErrorOf(F AWork) {
    try {
      AWork();
    } catch (const ELayoutStorageError& E) {
      return QString::fromStdString(E.what());
    }
    return QString();
  }

  QTemporaryDir FDir;
  std::unique_ptr<TLayoutManagerRegistryStorage> FStore;
};

// What a reader of a printed page sees: the window prints into a PDF file and the system's
// PDF-to-text tool reads it back (pages end with a form feed; "-layout" keeps columns apart).
#pragma once

#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

// Prints aWindow (anything with Print(QPrinter&)) on A4 into the file aPdf and returns the
// text read back from it. A reader that fails fails the running test and gives an empty text.
template <class TWindow>
QString PrintedText(TWindow& aWindow, const QString& aPdf, QStringList aOptions = {}) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(aPdf);
  printer.setPageSize(QPageSize(QPageSize::A4));
  aWindow.Print(printer);
  QProcess reader;
  reader.start(QStringLiteral("pdftotext"), aOptions << aPdf << QStringLiteral("-"));
  const bool read =
      reader.waitForFinished(-1) && reader.exitStatus() == QProcess::NormalExit && reader.exitCode() == 0;
  EXPECT_TRUE(read) << "pdftotext " << aPdf.toStdString() << ": " << reader.readAllStandardError().toStdString();
  return read ? QString::fromUtf8(reader.readAllStandardOutput()) : QString();
}

// Shared fixture of the main window tests: a folder of small XML files, message boxes
// captured instead of shown, and a way to let queued requests and deferred deletions run.
#pragma once

#include "Corvane.Control.MDIButtonGroup.h"
#include "Corvane_Dialogs.h"
#include "MainWnd.h"
#include "ViewerWnd.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <vector>

struct TShownBox {
  TDialogKind Kind;
  QString Title;
  QString Text;
};

class MainWndTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(FDir.isValid());
    SetDialogHook([this](TDialogKind AKind, const QString& ATitle, const QString& AText) {
      FBoxes.push_back({AKind, ATitle, AText});
      if (FAnswers.empty()) return AKind == dkConfirm ? mrNo : mrOk;
      const TModalResult answer = FAnswers.front();
      FAnswers.pop_front();
      return answer;
    });
  }
  void TearDown() override { SetDialogHook({}); }

  // A small well-formed document in the test folder; returns its full name.
  QString MakeFile(const QString& AName, const QByteArray& AContent = QByteArray()) {
    const QString path = FDir.filePath(AName);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(AContent.isEmpty() ? QByteArray("<?xml version=\"1.0\"?>\n<root a=\"1\"><item>text</item></root>\n")
                                  : AContent);
    file.close();
    return QDir::cleanPath(path);
  }

  // Lets queued open requests, activations and deferred deletions run.
  static void Drain() {
    for (int i = 0; i < 5; ++i) {
      QCoreApplication::processEvents(QEventLoop::AllEvents);
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
  }

  static QStringList Filenames(const Twnd_quillon_Main& AWindow) {
    QStringList names;
    for (Tmdi_quillon_Viewer* viewer : AWindow.Viewers()) names << viewer->Filename();
    return names;
  }

  static QStringList BarCaptions(const Twnd_quillon_Main& AWindow) {
    QStringList captions;
    TMDIButtonGroup* bar = AWindow.WindowBar();
    for (int i = 0; i < bar->Count(); ++i) captions << bar->Caption(bar->IdAt(i));
    return captions;
  }

  // The window bar button of a document window.
  static int ButtonOf(const Twnd_quillon_Main& AWindow, Tmdi_quillon_Viewer* AViewer) {
    TMDIButtonGroup* bar = AWindow.WindowBar();
    QMdiSubWindow* window = AWindow.SubWindowOf(AViewer);
    for (int i = 0; i < bar->Count(); ++i)
      if (window && bar->Caption(bar->IdAt(i)) == window->windowTitle()) return bar->IdAt(i);
    return TMDIButtonGroup::cNone;
  }

  QTemporaryDir FDir;
  std::vector<TShownBox> FBoxes;
  std::deque<TModalResult> FAnswers;  // answers in order; then No for questions, OK otherwise
};

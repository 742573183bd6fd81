// Files changed on disk: the question comes once per change, from the application's
// activation and from a document window's activation, and never while a box is open.
#include "MainWndTestUtil.h"

#include <QFile>

namespace {

void SetModificationTime(const QString& APath, const QDateTime& ATime) {
  QFile file(APath);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(file.setFileTime(ATime, QFileDevice::FileModificationTime));
}

QString Question(const Tmdi_quillon_Viewer* AViewer) {
  return QStringLiteral("File %1 changed. Reload?").arg(AViewer->Filename());
}

}  // namespace

TEST_F(MainWndTest, ChangedFileIsAskedAboutOncePerChange) {
  const QString a = MakeFile("a.xml");
  Twnd_quillon_Main window;
  window.show();
  window.OpenFile(a);
  Drain();
  ASSERT_EQ(window.Viewers().size(), 1);
  Tmdi_quillon_Viewer* viewer = window.Viewers()[0];
  const QDateTime loaded = viewer->Modified();
  ASSERT_TRUE(loaded.isValid());

  window.CheckActiveFileChanged();
  EXPECT_TRUE(FBoxes.empty()) << "unchanged file";

  SetModificationTime(a, loaded.addSecs(5));
  FAnswers = {mrNo};
  window.CheckActiveFileChanged();
  ASSERT_EQ(FBoxes.size(), 1u);
  EXPECT_EQ(FBoxes[0].Kind, dkConfirm);
  EXPECT_EQ(FBoxes[0].Title, "Confirmation");
  EXPECT_EQ(FBoxes[0].Text, Question(viewer));
  window.CheckActiveFileChanged();
  EXPECT_EQ(FBoxes.size(), 1u) << "No keeps the new time: the same change is not asked again";

  SetModificationTime(a, loaded.addSecs(10));
  FAnswers = {mrYes};
  window.CheckActiveFileChanged();
  EXPECT_EQ(FBoxes.size(), 2u) << "a later change asks again";
  EXPECT_EQ(viewer->Modified(), loaded.addSecs(10)) << "Yes reloads";
  window.CheckActiveFileChanged();
  EXPECT_EQ(FBoxes.size(), 2u);
}

TEST_F(MainWndTest, ActivatingADocumentWindowChecksThatWindow) {
  const QString a = MakeFile("a.xml"), b = MakeFile("b.xml");
  Twnd_quillon_Main window;
  window.show();
  window.OpenFile(a);
  window.OpenFile(b);
  Drain();
  ASSERT_EQ(window.Viewers().size(), 2);
  Tmdi_quillon_Viewer* viewerA = window.Viewers()[0];
  SetModificationTime(a, viewerA->Modified().addSecs(5));
  EXPECT_TRUE(FBoxes.empty()) << "the change of an inactive window is not asked about yet";

  window.OpenFile(a);  // brings a's window forward
  Drain();
  ASSERT_EQ(FBoxes.size(), 1u);
  EXPECT_EQ(FBoxes[0].Text, Question(viewerA));
}

TEST_F(MainWndTest, NoQuestionWhileABoxIsOpen) {
  const QString a = MakeFile("a.xml");
  Twnd_quillon_Main window;
  window.show();
  window.OpenFile(a);
  Drain();
  ASSERT_EQ(window.Viewers().size(), 1);
  SetModificationTime(a, window.Viewers()[0]->Modified().addSecs(5));

  // The application turns active again while the question is up (the box itself took the
  // focus): the nested check stays quiet.
  int nested = 0;
  SetDialogHook([&](TDialogKind, const QString&, const QString&) {
    ++nested;
    if (nested == 1) window.CheckActiveFileChanged();
    return mrNo;
  });
  window.CheckActiveFileChanged();
  EXPECT_EQ(nested, 1);
}

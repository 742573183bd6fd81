#include "Corvane.LayoutManager.MRU.h"
#include "LayoutTestUtil.h"

#include <QAction>
#include <QDir>
#include <QMenu>

class MRUTest : public StoreTest {
protected:
  void SetUp() override {
    StoreTest::SetUp();
    FMenu.addAction(QStringLiteral("E&xit"));
    FList.Storage = FStore.get();
    FList.SetMenu(&FMenu);
  }
  QString File(const QString& AName) {
    const QString path = FDir.filePath(AName);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    return path;
  }
  QStringList MenuTexts() {
    QStringList texts;
    for (QAction* action : FMenu.actions()) texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
  }
  QMenu FMenu;
  TLayoutManagerMRU FList;
};

TEST_F(MRUTest, ElevenFilesKeepTheLastTenOldestFirstUnderASeparator) {
  QStringList names;
  for (int i = 0; i < 11; ++i) names.append(File(QStringLiteral("f%1.xml").arg(i)));
  for (const QString& name : names) FList.Add(name);
  EXPECT_EQ(FList.Items(), names.mid(1));
  EXPECT_EQ(MenuTexts(), (QStringList{QStringLiteral("E&xit"), QStringLiteral("-")} + names.mid(1)));
  QString chosen;
  FList.SetOnMenuClick([&](TLayoutManagerMRU*, const QString& AItem) { chosen = AItem; });
  FMenu.actions().at(3)->trigger();
  EXPECT_EQ(chosen, names[2]);
}

TEST_F(MRUTest, OtherSpellingsOfAListedFileChangeNothingButAnotherCaseIsAnotherFile) {
  const QString a = File(QStringLiteral("a.xml"));
  QDir(FDir.path()).mkdir(QStringLiteral("x"));
  ASSERT_TRUE(QFile::link(a, FDir.filePath(QStringLiteral("link.xml"))));
  FList.Add(a);
  for (const QString& spelling : {FDir.path() + QStringLiteral("/x/../a.xml"), FDir.path() + QStringLiteral("/./a.xml"),
                                  FDir.filePath(QStringLiteral("link.xml")), a}) {
    FList.Add(spelling);
    EXPECT_EQ(FList.Items(), QStringList{a}) << spelling.toStdString();
  }
  const QString upper = File(QStringLiteral("A.XML"));
  FList.Add(upper);
  EXPECT_EQ(FList.Items(), (QStringList{a, upper}));
  FList.Remove(FDir.filePath(QStringLiteral("link.xml")));
  EXPECT_EQ(FList.Items(), QStringList{upper});
}

TEST_F(MRUTest, StoredListsRestoreWholeAndSaveAsTheyAre) {
  FStore->WriteInteger(QStringLiteral("MRU"), QStringLiteral("Count"), 16);
  for (int i = 0; i < 16; ++i)
    if (i != 7) FStore->WriteString(QStringLiteral("MRU"), QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("/data/%1.xml").arg(i));
  FList.Restore();
  ASSERT_EQ(FList.Count(), 15);  // the missing entry is skipped
  EXPECT_EQ(FList.Items().constFirst(), QStringLiteral("/data/0.xml"));
  FList.Add(QStringLiteral("/data/new.xml"));
  ASSERT_EQ(FList.Count(), 10);
  EXPECT_EQ(FList.Items().constFirst(), QStringLiteral("/data/6.xml"));
  EXPECT_EQ(FList.Items().constLast(), QStringLiteral("/data/new.xml"));

  FList.Save();
  EXPECT_EQ(FStore->ReadInteger(QStringLiteral("MRU"), QStringLiteral("Count"), 0), 10);
  EXPECT_EQ(FStore->ReadString(QStringLiteral("MRU"), QStringLiteral("009"), QString()), QStringLiteral("/data/new.xml"));
  EXPECT_FALSE(FStore->ValueExists(QStringLiteral("MRU"), QStringLiteral("010")));

  FList.Clear();
  FList.Save();
  EXPECT_FALSE(FStore->SectionExists(QStringLiteral("MRU")));

  TLayoutManagerMRU unassigned;
  EXPECT_EQ(ErrorOf([&] { unassigned.Restore(); }), QStringLiteral("TLayoutManagerMRU: Storage is not assigned"));
}

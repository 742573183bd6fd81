#include "LayoutTestUtil.h"

#include <QDateTime>

TEST_F(StoreTest, ValuesKeepTheirKindAcrossAFreshStoreObject) {
  const QDateTime when(QDate(2024, 2, 29), QTime(13, 45, 30));
  FStore->WriteInteger(QStringLiteral("A\\B#1920x1080x96"), QStringLiteral("Count"), -5);
  FStore->WriteInteger(QStringLiteral("A"), QStringLiteral("Big"), int64_t(1) << 40);
  FStore->WriteBoolean(QStringLiteral("A"), QStringLiteral("LayoutReadOnly"), true);
  FStore->WriteString(QStringLiteral("A"), QStringLiteral("Pos"), QStringLiteral("100,200"));
  FStore->WriteString(QStringLiteral("MRU"), QStringLiteral("000"), QStringLiteral("/tmp/a, b;c=d é.xml"));
  FStore->WriteFloat(QStringLiteral("A"), QStringLiteral("Zoom"), 0.1);
  FStore->WriteDatetime(QStringLiteral("A"), QStringLiteral("When"), when);
  FStore->Close();

  TLayoutManagerRegistryStorage again(FStore->FileName());
  EXPECT_EQ(again.ReadInteger(QStringLiteral("A\\B#1920x1080x96"), QStringLiteral("Count"), 0), -5);
  EXPECT_EQ(again.ReadInteger(QStringLiteral("A"), QStringLiteral("Big"), 0), int64_t(1) << 40);
  EXPECT_TRUE(again.ReadBoolean(QStringLiteral("A"), QStringLiteral("LayoutReadOnly"), false));
  EXPECT_EQ(again.ReadString(QStringLiteral("A"), QStringLiteral("Pos"), QString()), QStringLiteral("100,200"));
  EXPECT_EQ(again.ReadString(QStringLiteral("MRU"), QStringLiteral("000"), QString()), QStringLiteral("/tmp/a, b;c=d é.xml"));
  EXPECT_EQ(again.ReadFloat(QStringLiteral("A"), QStringLiteral("Zoom"), 0), 0.1);
  EXPECT_EQ(again.ReadDatetime(QStringLiteral("A"), QStringLiteral("When"), QDateTime()), when);
  // Booleans are the integers 0 and 1 in the file.
  EXPECT_TRUE(FileText().contains("LayoutReadOnly=1"));
}

TEST_F(StoreTest, MissingValuesGiveTheDefaultAndCreateNothing) {
  EXPECT_EQ(FStore->ReadInteger(QStringLiteral("X"), QStringLiteral("Y"), 7), 7);
  EXPECT_EQ(FStore->ReadString(QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("d")), QStringLiteral("d"));
  EXPECT_FALSE(FStore->SectionExists(QStringLiteral("X")));
  EXPECT_FALSE(FStore->ValueExists(QStringLiteral("X"), QStringLiteral("Y")));
  EXPECT_TRUE(FStore->ReadSection(QStringLiteral("X")).isEmpty());
  EXPECT_FALSE(FileExists());
}

TEST_F(StoreTest, AValueOfAnotherKindIsReportedByName) {
  WriteFile("[W]\nState=maximized\nZoom=wide\nHuge=123456789012345678901234567890\nPos=100,200\nNum=12\n");
  struct TCase {
    const char* Name;
    char Kind;  // i integer, b boolean, f float
    const char* Message;
  } cases[] = {
      {"State", 'i', "Invalid data type for 'State'"},
      {"State", 'b', "Invalid data type for 'State'"},
      {"Zoom", 'f', "Invalid data type for 'Zoom'"},
      {"Pos", 'i', "Invalid data type for 'Pos'"},
      {"Huge", 'i', "Failed to get data for 'Huge'"},
      {"Num", 'i', ""},
      {"Num", 'f', ""},
  };
  for (const TCase& c : cases) {
    const QString name = QString::fromLatin1(c.Name);
    const QString error = ErrorOf([&] {
      if (c.Kind == 'i') FStore->ReadInteger(QStringLiteral("W"), name, 0);
      if (c.Kind == 'b') FStore->ReadBoolean(QStringLiteral("W"), name, false);
      if (c.Kind == 'f') FStore->ReadFloat(QStringLiteral("W"), name, 0);
    });
    EXPECT_EQ(error, QString::fromLatin1(c.Message)) << c.Name << ' ' << c.Kind;
  }
  // A hand-written pair without quotes still reads as the text it spells.
  EXPECT_EQ(FStore->ReadString(QStringLiteral("W"), QStringLiteral("Pos"), QString()), QStringLiteral("100,200"));
}

TEST_F(StoreTest, DeletingSections) {
  auto fill = [&] {
    for (const char* section : {"Main", "Main\\acGrid#1x1x96", "Main#1x1x96", "Main#2x2x96", "MRU", "Mainly"})
      FStore->WriteInteger(QString::fromLatin1(section), QStringLiteral("V"), 1);
  };
  fill();
  FStore->DeleteSection(QStringLiteral("Main"));
  EXPECT_FALSE(FStore->SectionExists(QStringLiteral("Main")));
  EXPECT_FALSE(FStore->ValueExists(QStringLiteral("Main\\acGrid#1x1x96"), QStringLiteral("V")));
  EXPECT_TRUE(FStore->SectionExists(QStringLiteral("Main#1x1x96")));
  EXPECT_TRUE(FStore->SectionExists(QStringLiteral("Mainly")));

  FStore->DeleteSection(QStringLiteral("Main#"), true);
  EXPECT_FALSE(FStore->SectionExists(QStringLiteral("Main#1x1x96")));
  EXPECT_FALSE(FStore->SectionExists(QStringLiteral("Main#2x2x96")));
  EXPECT_TRUE(FStore->SectionExists(QStringLiteral("MRU")));
  EXPECT_TRUE(FStore->SectionExists(QStringLiteral("Mainly")));

  // An empty name is not the whole store.
  FStore->DeleteSection(QString());
  EXPECT_TRUE(FStore->SectionExists(QStringLiteral("MRU")));

  FStore->WriteString(QStringLiteral("MRU"), QStringLiteral("Count"), QStringLiteral("2"));
  EXPECT_EQ(FStore->ReadSection(QStringLiteral("MRU")), (QStringList{QStringLiteral("Count"), QStringLiteral("V")}));
  FStore->DeleteValue(QStringLiteral("MRU"), QStringLiteral("V"));
  EXPECT_EQ(FStore->ReadSection(QStringLiteral("MRU")), QStringList{QStringLiteral("Count")});
}

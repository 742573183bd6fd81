#include "Corvane_Dialogs.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// Restores the real boxes whatever a test does.
struct DialogHookScope {
  explicit DialogHookScope(TDialogHook aHook) { SetDialogHook(std::move(aHook)); }
  ~DialogHookScope() { SetDialogHook(nullptr); }
};

TEST(Dialogs, EachBoxHasItsTitleAnswerAndCount) {
  struct Seen {
    TDialogKind Kind;
    QString Title;
    QString Text;
    int Depth;
  };
  std::vector<Seen> seen;
  TModalResult answer = mrYes;
  DialogHookScope hook([&](TDialogKind aKind, const QString& aTitle, const QString& aText) {
    seen.push_back({aKind, aTitle, aText, DialogDepth});
    return answer;
  });

  ASSERT_EQ(DialogDepth, 0);
  EXPECT_TRUE(ConfirmDlg(QStringLiteral("Reload?")));
  answer = mrNo;
  EXPECT_FALSE(ConfirmDlg(u"Reload?"));
  answer = mrNone;  // the box closed without an answer
  EXPECT_FALSE(ConfirmDlg(u"Reload?"));
  answer = mrCancel;
  EXPECT_EQ(ConfirmCancelDlg(u"Save?"), mrCancel);
  answer = mrOk;
  WarningDlg(u"File does not exists.");
  ErrorDlg(QStringLiteral("Broken"));
  InfoDlg(u"Text not found");
  EXPECT_EQ(DialogDepth, 0);

  const std::vector<std::tuple<TDialogKind, QString, int>> expected = {
      {dkConfirm, "Confirmation", 1}, {dkConfirm, "Confirmation", 1}, {dkConfirm, "Confirmation", 1},
      {dkConfirmCancel, "Confirmation", 0},  // not counted
      {dkWarning, "Warning", 1},         {dkError, "Error", 1},         {dkInfo, "Information", 1}};
  ASSERT_EQ(seen.size(), expected.size());
  for (size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].Kind, std::get<0>(expected[i])) << i;
    EXPECT_EQ(seen[i].Title, std::get<1>(expected[i])) << i;
    EXPECT_EQ(seen[i].Depth, std::get<2>(expected[i])) << i;
  }
  EXPECT_EQ(seen[4].Text, "File does not exists.");
}

TEST(Dialogs, DepthFollowsNestingAndSurvivesAnError) {
  int innerDepth = -1;
  bool nested = false;
  DialogHookScope hook([&](TDialogKind aKind, const QString&, const QString& aText) {
    if (aText == "outer") {
      nested = true;
      InfoDlg(u"inner");
    } else if (aText == "inner") {
      innerDepth = DialogDepth;
    } else if (aText == "fail") {
      throw std::runtime_error("box failed");
    }
    return mrOk;
  });
  WarningDlg(u"outer");
  EXPECT_TRUE(nested);
  EXPECT_EQ(innerDepth, 2);
  EXPECT_EQ(DialogDepth, 0);

  EXPECT_THROW(ErrorDlg(u"fail"), std::runtime_error);
  EXPECT_EQ(DialogDepth, 0);
}

}  // namespace

// Printing a document window's cards to PDF and reading the PDF back as text.
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "PrintedText.h"
#include "ScratchFile.h"
#include "ViewerWnd.h"
#include "VirtualTree.h"

namespace {

// The viewer's shown card printed to a PDF file, page by page.
QStringList PrintedPages(Tmdi_quillon_Viewer& aViewer, const QString& aPdf) {
  QStringList pages = PrintedText(aViewer, aPdf).split(QLatin1Char('\f'));
  if (!pages.isEmpty() && pages.back().trimmed().isEmpty()) pages.pop_back();
  return pages;
}

}  // namespace

// The tree prints as shown: expanded rows only, in order, under the column header on every
// page; a collapsed subtree's rows are not printed.
TEST(ViewerPrintTest, TreePrintsTheShownRowsAcrossPages) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QByteArray xml = "<list>";
  for (int i = 0; i < 120; ++i) xml += "<item" + QByteArray::number(1000 + i) + ">v" + QByteArray::number(i) + "</item" + QByteArray::number(1000 + i) + ">";
  xml += "<closed><inner>hidden</inner></closed></list>";
  const QString file = WriteScratchFile(dir.path(), QStringLiteral("list.xml"), xml);
  TQuillonOptions options;
  Tmdi_quillon_Viewer viewer(&options);
  viewer.resize(900, 600);
  viewer.SetFilename(file);
  auto* tree = viewer.findChild<TVirtualTree*>();
  ASSERT_NE(tree, nullptr);
  ASSERT_EQ(tree->RowCount(), 1 + 120 + 1);  // the document element is expanded, "closed" is not

  const QStringList pages = PrintedPages(viewer, dir.filePath(QStringLiteral("tree.pdf")));
  ASSERT_GE(pages.size(), 2);
  int expected = 1000;
  for (const QString& page : pages) {
    EXPECT_TRUE(page.contains(QStringLiteral("Tag"))) << page.left(200).toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("Value")));
    // The rows of this page, in order, continuing the previous page.
    QRegularExpressionMatchIterator it = QRegularExpression(QStringLiteral("item(\\d+)")).globalMatch(page);
    while (it.hasNext()) EXPECT_EQ(it.next().captured(1).toInt(), expected++);
  }
  EXPECT_EQ(expected, 1120);
  const QString all = pages.join(QString());
  EXPECT_TRUE(all.contains(QStringLiteral("list")));
  EXPECT_TRUE(all.contains(QStringLiteral("closed")));
  EXPECT_TRUE(all.contains(QStringLiteral("v119")));
  EXPECT_FALSE(all.contains(QStringLiteral("inner")));
}

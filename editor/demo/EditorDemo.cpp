// A window with one text editor control showing XML, for looking at the colours and for
// timing big files. Not part of the program.
//   quillon_editor_demo [--viewer] [--shot PNG] [--open FILE]
// --viewer paints with the document window's defaults; --shot saves a picture of the window
// and quits; --open loads a UTF-8 file, scrolls to its end and prints the times taken.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <cstdio>

#include "QtText.h"
#include "TextEditor.h"
#include "XmlLexer.h"

static const char16_t kSample[] =
    u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    u"<!DOCTYPE catalog [\n"
    u"  <!ENTITY co \"Corvane\">\n"
    u"]>\n"
    u"<catalog xmlns=\"urn:x-catalog\" xmlns:p=\"urn:x-price\">\n"
    u"  <!-- a comment that runs\n"
    u"       over two lines -->\n"
    u"  <item id=\"i1\" note='a &amp; b'>\n"
    u"    <name>Widget &co; number one</name>\n"
    u"    <p:price currency=\"EUR\">12.50</p:price>\n"
    u"    <descr><![CDATA[Some <b>bold</b> text]]></descr>\n"
    u"\t\t<empty/>\n"
    u"  </item>\n"
    u"</catalog>\n";

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QString shot, open;
  bool viewer = false;
  for (int i = 1; i < argc; ++i) {
    const QString a = QString::fromLocal8Bit(argv[i]);
    if (a == "--viewer") viewer = true;
    else if (a == "--shot" && i + 1 < argc) shot = QString::fromLocal8Bit(argv[++i]);
    else if (a == "--open" && i + 1 < argc) open = QString::fromLocal8Bit(argv[++i]);
  }

  auto highlighter = std::make_shared<TXmlHighlighter>();
  if (viewer) highlighter->UseDocumentWindowDefaults();
  TTextEditor editor;
  editor.setWindowTitle(viewer ? "Source view colours" : "XML Editor colours");
  editor.resize(760, 330);
  editor.SetHighlighter(highlighter);
  editor.SetCaretLineColor(viewer ? RGB(255, 255, 0) : clNone);

  if (!open.isEmpty()) {
    QFile f(open);
    if (!f.open(QIODevice::ReadOnly)) return 2;
    const QByteArray bytes = f.readAll();
    QElapsedTimer t;
    t.start();
    const QString text = QString::fromUtf8(bytes);
    editor.SetText(ToU16(text));
    const qint64 setText = t.restart();
    editor.show();
    editor.repaint();
    app.processEvents();
    const qint64 firstPaint = t.restart();
    const long long styledFirst = editor.Lexer()->StyledLines();
    editor.SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
    editor.repaint();
    app.processEvents();
    const qint64 toEnd = t.restart();
    editor.SendScintilla(QsciScintillaBase::SCI_PAGEUP);
    editor.repaint();
    app.processEvents();
    const qint64 pageUp = t.restart();
    editor.SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
    t.restart();
    for (int i = 0; i < 10; ++i) {
      editor.SendScintilla(QsciScintillaBase::SCI_REPLACESEL, 0UL, "<");
      editor.repaint();
      app.processEvents();
    }
    std::printf("typing at the end: %.1f ms a key\n", t.restart() / 10.0);
    std::printf("%.1f MB, %d lines: set text %lld ms, first paint %lld ms (%lld lines styled), "
                "scroll to end %lld ms (%lld lines styled), page up %lld ms\n",
                bytes.size() / 1e6, editor.LineCount(), (long long)setText, (long long)firstPaint, styledFirst,
                (long long)toEnd, editor.Lexer()->StyledLines(), (long long)pageUp);
    return 0;
  }

  editor.SetText(kSample);
  editor.SetCaret(8, 5);
  editor.show();
  if (!shot.isEmpty()) {
    for (int i = 0; i < 5; ++i) app.processEvents();
    editor.repaint();
    return editor.grab().save(shot) ? 0 : 1;
  }
  return app.exec();
}

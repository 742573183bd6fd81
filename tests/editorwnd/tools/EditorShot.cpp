// editorwnd_shot OUT_PREFIX FILE: pictures of the editor window for review, taken from the
// screen (run it under an X server, for example xvfb-run): OUT_PREFIX-editor.png with FILE
// loaded, -popup.png with its popup menu open, -find.png with the find-and-replace box, and
// -error.png with a validation error shown and the caret at the error.
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cstdio>

#include "EditorWnd.h"
#include "FindReplaceDlg.h"
#include "TextEditor.h"

namespace {

void Settle() {
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
}

bool Shoot(const QString& AName) {
  Settle();
  const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(0);
  const bool saved = picture.save(AName);
  std::printf("%s %s\n", qPrintable(AName), saved ? "saved" : "NOT saved");
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: editorwnd_shot OUT_PREFIX FILE\n");
    return 2;
  }
  QApplication application(argc, argv);
  const QString prefix = QString::fromLocal8Bit(argv[1]);
  QWidget owner;
  owner.resize(1100, 800);
  owner.move(0, 0);
  owner.show();

  Twnd_quillon_Editor window(&owner);
  window.LoadFile(QString::fromLocal8Bit(argv[2]));
  window.show();
  window.Editor->SetCaret(3, 5);
  Settle();
  bool ok = Shoot(prefix + "-editor.png");

  const QPoint at(160, 120);
  QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, window.Editor->viewport()->mapToGlobal(at));
  QApplication::sendEvent(window.Editor->viewport(), &menuEvent);
  ok = Shoot(prefix + "-popup.png") && ok;
  window.PopupMenu->close();

  window.acFindReplace->trigger();
  ok = Shoot(prefix + "-find.png") && ok;
  window.rd->close();

  // A broken end tag on line 4; the error box is modal, so the picture is taken while it waits.
  window.Editor->SetText(u"<?xml version=\"1.0\"?>\r\n<root>\r\n  <a>\r\n  </b>\r\n</root>\r\n");
  QTimer::singleShot(300, [&] {
    ok = Shoot(prefix + "-error.png") && ok;
    if (QWidget* box = QApplication::activeModalWidget()) box->close();
  });
  window.acValidate->trigger();
  std::printf("caret at line %d, column %d\n", window.Editor->CaretLine(), window.Editor->CaretColumn());
  window.Editor->SetModified(false);
  return ok ? 0 : 1;
}

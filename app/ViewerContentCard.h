// The Content card of the document window: the document's text rendered as HTML (each text
// on its own line, markup carried in the text rendered as markup), or for an .svg file the
// drawing itself, in the embedded browser. The browser comes from a plugin loaded the first
// time any Content card is shown; when it cannot start, the card says so and the rest of the
// window works on.
#pragma once

#include <QWidget>

class IContentBrowser;
class IViewerHost;
class QLabel;
class QPrinter;

class TViewerContentCard : public QWidget {
public:
  TViewerContentCard(IViewerHost& aHost, QWidget* aParent);
  ~TViewerContentCard() override;

  // The card became the shown one: renders the document when it is not rendered.
  void ShowCard();
  // The card is left (or the window loads): a page still loading stops.
  void Stop();
  // A load: rendered again when next shown. The browser keeps its page until then.
  void Reset() { FBuilt = false; }
  bool Built() const { return FBuilt; }
  // A page is loading (the busy cursor is up).
  bool Busy() const { return FBusy; }
  // The browser, once started (tests look at what it refused).
  IContentBrowser* Browser() const { return FBrowser; }
  // The shown page printed through the browser.
  void Print(QPrinter& aPrinter);

  // The bytes and the type the browser is given for the loaded document: the file itself for
  // an .svg name (any case), else the text fragments as a UTF-8 HTML page.
  static bool DocumentBytes(const QString& aFilename, const std::vector<std::u16string>& aFragments,
                            QByteArray& aBytes, QString& aMimeType);

private:
  void LoadFinished();

  IViewerHost& FHost;
  bool FBuilt = false;
  bool FBusy = false;  // the busy cursor is up until the browser reports the end of the load
  IContentBrowser* FBrowser = nullptr;
  QLabel* FMessage = nullptr;
};

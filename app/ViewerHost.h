// What a card of the document window uses of the window: the document, the options, the
// status panel and the shared text view menu. Cards know nothing else of the window, and the
// window reaches into a card only through the card's own public members.
#pragma once

#include <QString>

struct TQuillonOptions;
class TTextViewMenu;
class TXMLDocument;

class IViewerHost {
public:
  virtual TXMLDocument& Document() = 0;
  // The main window's options, read whenever needed.
  virtual const TQuillonOptions& Options() const = 0;
  // The first status panel ("Loading...", "Searching...", "Ready"), painted at once.
  virtual void SetStatus(const QString& aText) = 0;
  // The text view menu, for the card's text views (see TTextViewMenu::Attach).
  virtual TTextViewMenu& TextMenu() = 0;

protected:
  ~IViewerHost() = default;
};

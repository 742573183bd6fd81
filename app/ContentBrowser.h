// The embedded browser of the Content card, as the program sees it. The browser engine is big
// and slow to start, so it lives in a plugin that is loaded the first time a Content card is
// shown; this header is all that the program and the plugin share.
#pragma once

#include <QString>
#include <QtPlugin>

#include <functional>

class QByteArray;
class QPrinter;
class QWidget;

// One browser view. It shows only what it is given: scripts never run, links and redirects
// lead nowhere, new windows are refused, and the page may fetch nothing but the document
// itself and data: URLs, so opening a file never makes the machine talk to anyone.
class IContentBrowser {
public:
  virtual ~IContentBrowser() = default;
  // The view to put into a layout. The browser is that widget: it dies with its parent like
  // any child widget and is never deleted through this interface.
  virtual QWidget* Widget() = 0;
  // Shows ABytes as a document of AMimeType ("text/html; charset=utf-8", "image/svg+xml").
  // Returns at once; OnLoadFinished reports the end of the load.
  virtual void Load(const QByteArray& ABytes, const QString& AMimeType) = 0;
  virtual void Stop() = 0;
  // The text of the shown page, as a user would select and copy it.
  virtual QString PlainText() = 0;
  // Prints the shown page; returns when the job has been handed to the printer (true) or
  // failed (false).
  virtual bool Print(QPrinter& APrinter) = 0;
  // Requests of the page refused so far (everything but the document and data: URLs), and
  // the navigations and new windows refused: the proof that a page led nowhere.
  virtual int BlockedRequests() const = 0;
  virtual int RefusedNavigations() const = 0;
  virtual int RefusedWindows() const = 0;

  // The load ended: AOk false when it failed (the failure is never shown as an error page).
  std::function<void(bool AOk)> OnLoadFinished;
};

class IContentBrowserFactory {
public:
  virtual ~IContentBrowserFactory() = default;
  // A new view, parented to AParent; null with AError set when the browser cannot start.
  virtual IContentBrowser* CreateBrowser(QWidget* AParent, QString& AError) = 0;
};

#define IContentBrowserFactory_iid "org.corvane.quillon.IContentBrowserFactory/1"
Q_DECLARE_INTERFACE(IContentBrowserFactory, IContentBrowserFactory_iid)

// The factory of the plugin beside the program, loaded on the first call; null with AError
// set when it is missing or does not load (later calls report the same failure).
IContentBrowserFactory* ContentBrowserFactory(QString& AError);

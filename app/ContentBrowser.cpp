#include "ContentBrowser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

namespace {

// The plugin's file, where the program looks for it: beside itself (the build tree and the
// plain install), then the install's plugin folder relative to the program, then the folder
// that QUILLON_PLUGIN_DIR names (tests that run from elsewhere).
QStringList PluginCandidates() {
  const QString file = QStringLiteral(QUILLON_CONTENT_PLUGIN_FILE);
  const QString appDir = QCoreApplication::applicationDirPath();
  QStringList result{QDir(appDir).filePath(file)};
  const QString relative = QStringLiteral(QUILLON_PLUGIN_RELATIVE_DIR);
  if (!relative.isEmpty() && relative != QStringLiteral("."))
    result << QDir::cleanPath(QDir(appDir).filePath(relative + QLatin1Char('/') + file));
  const QString fromEnv = qEnvironmentVariable("QUILLON_PLUGIN_DIR");
  if (!fromEnv.isEmpty()) result << QDir(fromEnv).filePath(file);
  return result;
}

}  // namespace

IContentBrowserFactory* ContentBrowserFactory(QString& AError) {
  static bool tried = false;
  static IContentBrowserFactory* factory = nullptr;
  static QString error;
  if (!tried) {
    tried = true;
    error = QStringLiteral("The content viewer module was not found.");
    for (const QString& candidate : PluginCandidates()) {
      if (!QFileInfo(candidate).isFile()) continue;
      // Never unloaded: its browser views may live until the program ends.
      auto* loader = new QPluginLoader(candidate, qApp);
      QObject* instance = loader->instance();
      factory = instance ? qobject_cast<IContentBrowserFactory*>(instance) : nullptr;
      if (factory) break;
      error = QStringLiteral("The content viewer module did not load: %1").arg(loader->errorString());
    }
  }
  if (!factory) AError = error;
  return factory;
}

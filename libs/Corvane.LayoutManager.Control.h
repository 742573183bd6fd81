// The layout manager of one window: it keeps the window and chosen controls and components,
// each with the names of the properties to remember, and writes them to the settings store
// (save) or reads them back (restore). Values are kept per display arrangement: a layout
// section is the component's section followed by "#" and the display key
// ("1920x1080x96": the whole virtual desktop and the dots per inch of the window's monitor),
// so a layout saved on one arrangement does not disturb another.
#pragma once

#include "Corvane.LayoutManager.Storage.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

enum TLayoutManagerControlOption : unsigned {
  loPosition = 1,
  loSize = 2,
  loState = 4,
  loStyle = 8,
  loDisplayIndependent = 16,
};
using TLayoutManagerControlOptions = unsigned;
inline constexpr TLayoutManagerControlOptions cFormLayoutOptions = loPosition | loSize | loState | loStyle;

// Form styles as stored in "Style".
enum TFormStyle { fsNormal = 0, fsMDIChild = 1, fsMDIForm = 2, fsStayOnTop = 3 };

class TLayoutManager;
class TLayoutManagerControl;

// A plug-in that keeps more of a control than its size and place.
class ILayoutManagerControlLayout {
public:
  virtual ~ILayoutManagerControlLayout() = default;
  virtual void Attach(TLayoutManagerControl* AControl) = 0;
  virtual void SaveDefault(bool AForce) = 0;
  virtual void Save() = 0;
  virtual void RestoreDefault() = 0;
  virtual void Restore() = 0;
};

// The plug-ins' common part: their section is the control's section and "\Layout".
class TLayoutManagerControlLayout : public ILayoutManagerControlLayout {
public:
  void Attach(TLayoutManagerControl* AControl) override { FControl = AControl; }
  TLayoutManagerControl* Control() const { return FControl; }
  QString Section() const;

protected:
  TLayoutManagerControl* FControl = nullptr;
};

using TLayoutClass = std::function<std::unique_ptr<ILayoutManagerControlLayout>()>;

class TLayoutManagerControl {
public:
  TLayoutManagerControl(TLayoutManager* AManager, QObject* AComponent, const QStringList& AProperties,
                        TLayoutManagerControlOptions AOptions);
  ~TLayoutManagerControl();

  QObject* Component() const { return FComponent.data(); }
  const QStringList& Properties() const { return FProperties; }
  TLayoutManagerControlOptions Options() const { return FOptions; }
  void SetOptions(TLayoutManagerControlOptions AOptions);
  ILayoutManagerControlLayout* Layout() const { return FLayout.get(); }
  void SetLayout(std::unique_ptr<ILayoutManagerControlLayout> ALayout);
  ILayoutManagerStorage* Storage() const;
  TLayoutManager* LayoutManager() const { return FManager; }

  // The window the component is shown in (its own for a control, its owner's otherwise).
  QWidget* Window() const;
  QString Section() const;
  QString DisplayKey() const;
  // The section with "#" and the display key, or the section itself when display-independent.
  QString LayoutSection() const;

  void Save();
  // AOptionsMask limits the window options restored (the display-change restore leaves
  // out the window state).
  void Restore(TLayoutManagerControlOptions AOptionsMask = ~0u);

private:
  void SaveForm(QWidget* AForm, const QString& ALayoutSection);
  void RestoreForm(QWidget* AForm, const QString& AReadSection, TLayoutManagerControlOptions AOptions);
  void SaveControl(QWidget* AControl, const QString& ALayoutSection);
  void RestoreControl(QWidget* AControl, const QString& AReadSection);
  void SaveProperties(const QString& ALayoutSection);
  void RestoreProperties(const QString& AReadSection);

  TLayoutManager* FManager;
  QPointer<QObject> FComponent;
  QStringList FProperties;
  TLayoutManagerControlOptions FOptions;
  std::unique_ptr<ILayoutManagerControlLayout> FLayout;
};

class TLayoutManager {
public:
  // AOwner: the form whose components are registered (their sections begin with its class
  // name).
  explicit TLayoutManager(QWidget* AOwner);
  ~TLayoutManager();
  TLayoutManager(const TLayoutManager&) = delete;
  TLayoutManager& operator=(const TLayoutManager&) = delete;

  // Any component, kept by its properties only. Returns its index, or -1 when it is missing
  // or registered already.
  int Add(QObject* AComponent, const QStringList& AProps);
  // A control or the form itself, with window options and an optional plug-in.
  int Add(QWidget* AControl, const QStringList& AProps, TLayoutManagerControlOptions AOptions,
          const TLayoutClass& ALayoutClass = {});
  void Remove(QObject* AComponent);
  int IndexOf(const QObject* AComponent) const;
  int Count() const { return int(FControls.size()); }
  TLayoutManagerControl* Control(int AIndex) const { return FControls[size_t(AIndex)].get(); }

  void Restore();
  void Restore(QObject* AComponent, TLayoutManagerControlOptions AOptionsMask = ~0u);
  void Save();
  void SetOptions(QWidget* AControl, TLayoutManagerControlOptions AOptions);

  ILayoutManagerStorage* Storage() const { return FStorage; }
  void SetStorage(ILayoutManagerStorage* AStorage) { FStorage = AStorage; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool AValue) { FReadOnly = AValue; }
  bool Restoring() const { return FRestoring; }
  QWidget* Owner() const { return FOwner.data(); }

  // How the owner form is saved: its "Style", whether it is the main window (whose style
  // is never restored), and whether it keeps its own "LayoutReadOnly".
  int FormStyle = fsNormal;
  bool MainForm = false;
  bool KeepsReadOnly = false;

  std::function<void(QWidget*)> OnBeforeRestore;
  std::function<void(QWidget*)> OnAfterRestore;
  std::function<void(QWidget*)> OnBeforeSave;
  std::function<void(QWidget*)> OnAfterSave;

private:
  QPointer<QWidget> FOwner;
  std::vector<std::unique_ptr<TLayoutManagerControl>> FControls;
  ILayoutManagerStorage* FStorage = nullptr;
  bool FReadOnly = false;
  bool FRestoring = false;
};

// "%dx%dx%d": the virtual desktop's width and height and the dots per inch of the monitor
// that shows AWindow; empty when it is on no monitor.
QString DisplayKeyOf(const QWidget* AWindow);
// Replaces the display key, for tests that play two monitor arrangements; an empty hook
// restores the real one.
void SetDisplayKeyHook(std::function<QString(const QWidget*)> AHook);

// Sets a control's width or height; inside a splitter the neighbours give or take the room.
void SetControlExtent(QWidget* AControl, Qt::Orientation AOrientation, int AValue);

#include "ViewerWnd.h"

#include "Corvane.LayoutManager.Form.h"

#include <QApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPrinter>
#include <QProgressBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QVBoxLayout>

#include <chrono>

#include "BusyCursor.h"
#include "Corvane_Dialogs.h"
#include "NodeTreeModel.h"
#include "QtText.h"
#include "ScopeGuard.h"
#include "TextViewMenu.h"
#include "ViewerContentCard.h"
#include "ViewerSourceCard.h"
#include "ViewerTreeCard.h"
#include "VirtualTree.h"
#include "XmlDocument.h"

Tmdi_quillon_Viewer::Tmdi_quillon_Viewer(const TQuillonOptions* AOptions, QWidget* AParent)
    : QWidget(AParent), FOptions(AOptions), FLayout(new TLMForm(this)), FDoc(std::make_unique<TXMLDocument>()) {
  FDoc->SetNumberFormat(TNumberFormat::FromCLocale());
  FTextMenu = new TTextViewMenu([this] { return CurrentTextView(); }, this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  pc = new QStackedWidget(this);
  pc->setObjectName(QStringLiteral("pc"));
  FTreeCard = new TViewerTreeCard(*this, pc);
  pc->addWidget(FTreeCard);
  FSourceCard = new TViewerSourceCard(*this, pc);
  pc->addWidget(FSourceCard);
  FContentCard = new TViewerContentCard(*this, pc);
  pc->addWidget(FContentCard);
  layout->addWidget(pc, 1);

  obTab = new QTabBar(this);
  obTab->setObjectName(QStringLiteral("obTab"));
  obTab->setShape(QTabBar::RoundedSouth);
  obTab->setDrawBase(false);
  obTab->setExpanding(false);
  obTab->addTab(QStringLiteral("Tree"));
  obTab->addTab(QStringLiteral("Source"));
  obTab->addTab(QStringLiteral("Content"));
  obTab->setTabVisible(cdContent, false);
  connect(obTab, &QTabBar::currentChanged, this, [this](int aCard) {
    if (aCard >= 0) CardChanged(aCard);
  });
  layout->addWidget(obTab);
  BuildStatusBar();

  ResetCards();
  // A new window follows "Value Column" from the start rather than only after its next change.
  FTreeCard->Tree()->Header()->setSectionHidden(TNodeTreeModel::cnValue, !FOptions->ValueColumn);
  SetTreeLines(FOptions->TreeLines);
  SetGridLines(FOptions->GridLines);

  // The window's own entry keeps only its read-only state; the panels keep their sizes.
  FLayout->SetLayoutOptions(0);
  FLayout->SetLayoutControl(true);
  FTreeCard->RegisterLayout(FLayout->LayoutManager());
}

Tmdi_quillon_Viewer::~Tmdi_quillon_Viewer() { FLayout->FormDestroying(); }

bool Tmdi_quillon_Viewer::LayoutReadOnly() const { return FLayout->LayoutReadOnly(); }
void Tmdi_quillon_Viewer::SetLayoutReadOnly(bool AValue) { FLayout->SetLayoutReadOnly(AValue); }

void Tmdi_quillon_Viewer::BuildStatusBar() {
  auto* sb = new QStatusBar(this);
  sb->setObjectName(QStringLiteral("sb"));
  sb->setSizeGripEnabled(false);
  sbStatus = new QLabel(QStringLiteral("Ready"), sb);
  sbStatus->setObjectName(QStringLiteral("sbStatus"));
  sbStatus->setMinimumWidth(100);
  sb->addWidget(sbStatus);
  sbProgress = new QProgressBar(sb);
  sbProgress->setObjectName(QStringLiteral("sbProgress"));
  sbProgress->setRange(0, 1000);
  sbProgress->setTextVisible(false);
  sbProgress->setMaximumWidth(200);
  sbProgress->setMaximumHeight(14);
  sbProgress->hide();
  sb->addWidget(sbProgress);
  sbPath = new QLabel(sb);
  sbPath->setObjectName(QStringLiteral("sbPath"));
  sb->addWidget(sbPath, 1);
  layout()->addWidget(sb);
}

void Tmdi_quillon_Viewer::SetStatus(const QString& AText) {
  sbStatus->setText(AText);
  sbStatus->repaint();
}

TTextEditor* Tmdi_quillon_Viewer::CurrentTextView() const {
  switch (pc->currentIndex()) {
    case cdTree: return FTreeCard->CurrentTextView();
    case cdSource: return FSourceCard->Memo();
    default: return nullptr;
  }
}

void Tmdi_quillon_Viewer::CardChanged(int aCard) {
  // A page still loading in the Content card stops whenever the card changes.
  FContentCard->Stop();
  pc->setCurrentIndex(aCard);
  if (aCard == cdSource)
    FSourceCard->ShowCard();
  else if (aCard == cdContent)
    FContentCard->ShowCard();
}

void Tmdi_quillon_Viewer::ResetCards() {
  {
    const QSignalBlocker block(obTab);
    obTab->setCurrentIndex(cdTree);
  }
  FContentCard->Stop();
  pc->setCurrentIndex(cdTree);
  FSourceCard->Reset();
  FContentCard->Reset();
}

QString Tmdi_quillon_Viewer::Filename() const { return ToQString(FDoc->Filename()); }

void Tmdi_quillon_Viewer::SetFilename(const QString& AFilename) {
  TBusyCursor busy;
  sbStatus->setText(QStringLiteral("Loading..."));
  sbProgress->setValue(0);
  sbProgress->show();
  // One round of pending events so that the status (and the progress bar's place) is laid
  // out and painted. User input waits: a click that closed this window now would pull it
  // from under the load.
  const QPointer<Tmdi_quillon_Viewer> self(this);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  if (!self) return;

  ResetCards();
  FTreeCard->BeginLoad([&] {
    const QString name = QFileInfo(AFilename).fileName();
    if (name == QStringLiteral(".") || name == QStringLiteral("..")) return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 ? name.left(dot) : name;
  }());

  FDoc->SetStrictXML(FOptions->StrictXML);
  FDoc->SetAttributesInTree(FOptions->AttributesInTree);
  // The progress bar follows the reader through the file; it is repainted directly, so no
  // user input is handled in the middle of the load.
  int shown = -1;
  FDoc->OnProgress = [this, &shown](int64_t aPosition, int64_t aSize) {
    const int value = aSize > 0 ? static_cast<int>(std::min<int64_t>(1000, aPosition * 1000 / aSize)) : 0;
    if (value == shown) return;
    shown = value;
    sbProgress->setValue(value);
    sbProgress->repaint();
  };
  const TScopeExit end([this] {
    FDoc->OnProgress = nullptr;
    sbProgress->hide();
    FTreeCard->EndLoad();
    sbStatus->setText(QStringLiteral("Ready"));
  });
  FDoc->SetFilename(ToU16(AFilename));

  obTab->setTabVisible(cdContent, FDoc->ContentVisible());
  sbPath->setText(Filename());
}

void Tmdi_quillon_Viewer::Reread() { SetFilename(Filename()); }

void Tmdi_quillon_Viewer::RefreshMod() { FDoc->RefreshMod(); }

QDateTime Tmdi_quillon_Viewer::Modified() const {
  const auto since = FDoc->Modified().time_since_epoch();
  return QDateTime::fromMSecsSinceEpoch(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void Tmdi_quillon_Viewer::RefreshView() { FTreeCard->RefreshView(); }

void Tmdi_quillon_Viewer::SetGridLines(bool AOn) { FTreeCard->SetGridLines(AOn); }

void Tmdi_quillon_Viewer::SetTreeLines(bool AOn) { FTreeCard->SetTreeLines(AOn); }

void Tmdi_quillon_Viewer::MarkSourceStale() { FSourceCard->MarkStale(); }

QString Tmdi_quillon_Viewer::Encoding() const { return ToQString(FDoc->Encoding()); }

void Tmdi_quillon_Viewer::CheckFileChanged() {
  if (FChecking || QApplication::activeModalWidget() || DialogDepth > 0) return;
  if (FDoc->Filename().empty() || !FDoc->FileChanged()) return;
  const auto checking = ScopedFlag(FChecking);
  if (ConfirmDlg(ToQString(Format(DocumentTexts::cFileChanged, {std::u16string_view(FDoc->Filename())}))))
    Reread();
  else
    RefreshMod();
}

void Tmdi_quillon_Viewer::Print(QPrinter& APrinter) {
  switch (pc->currentIndex()) {
    case cdTree: FTreeCard->Tree()->Print(APrinter); break;
    case cdSource: FSourceCard->Print(APrinter); break;
    case cdContent: FContentCard->Print(APrinter); break;
    default: break;
  }
}

void Tmdi_quillon_Viewer::ExportToCSV(const QString& AFilename) { FDoc->ExportToCSV(ToU16(AFilename)); }

bool Tmdi_quillon_Viewer::ExportToJSON(const QString& AFilename) { return FDoc->ExportToJSON(ToU16(AFilename)); }

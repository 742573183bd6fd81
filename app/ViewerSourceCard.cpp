#include "ViewerSourceCard.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QPrinter>
#include <QStatusBar>
#include <QVBoxLayout>
#include <Qsci/qsciprinter.h>

#include <vector>

#include "BusyCursor.h"
#include "Corvane_Dialogs.h"
#include "Encodings.h"
#include "QtText.h"
#include "QuillonOptions.h"
#include "ScopeGuard.h"
#include "SearchBox.h"
#include "SourceText.h"
#include "TextEditor.h"
#include "TextViewMenu.h"
#include "ViewerHost.h"
#include "XmlDocument.h"
#include "XmlHighlighter.h"

TViewerSourceCard::TViewerSourceCard(IViewerHost& aHost, QWidget* aParent) : QWidget(aParent), FHost(aHost) {
  setObjectName(QStringLiteral("SourceCard"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
}

void TViewerSourceCard::CreateControls() {
  FMemo = new TTextEditor(this);
  FMemo->setObjectName(QStringLiteral("Memo"));
  FMemo->SetReadOnly(true);
  auto highlighter = std::make_shared<TXmlHighlighter>();
  highlighter->UseDocumentWindowDefaults();
  FMemo->SetHighlighter(std::move(highlighter));
  FMemo->SetCaretLineColor(RGB(0xFF, 0xFF, 0x00));
  FMemo->SetGutterVisible(true);
  FMemo->SetShowLineNumbers(true);
  FMemo->OnStatusChange = [this] { UpdateCaretPanel(); };
  FHost.TextMenu().Attach(FMemo);
  layout()->addWidget(FMemo);

  FSearch = new TSearchBox(QStringLiteral("eMemoSearch"), this);
  FSearch->OnSearch = [this] { SearchTextView(FHost, *FSearch, *FMemo); };
  FSearch->OnEscape = [this] { FMemo->setFocus(); };
  new TSearchKeys(FMemo, FSearch);
  layout()->addWidget(FSearch);

  msb = new QStatusBar(this);
  msb->setObjectName(QStringLiteral("msb"));
  msb->setSizeGripEnabled(false);
  auto panel = [this](const char* aName, int aWidth, Qt::Alignment aAlign) {
    auto* label = new QLabel(msb);
    label->setObjectName(QString::fromLatin1(aName));
    label->setFixedWidth(aWidth);
    label->setAlignment(aAlign | Qt::AlignVCenter);
    msb->addWidget(label);
    return label;
  };
  FEncodingPanel = panel("msbEncoding", 200, Qt::AlignHCenter);
  FCaretPanel = panel("msbCaret", 350, Qt::AlignHCenter);
  FSizePanel = panel("msbSize", 100, Qt::AlignLeft);
  layout()->addWidget(msb);
}

void TViewerSourceCard::ShowCard() {
  if (!FMemo) CreateControls();
  if (!FBuilt) Build();
}

void TViewerSourceCard::Reset() {
  FBuilt = false;
  if (FMemo) FMemo->Clear();
}

void TViewerSourceCard::Build() {
  TBusyCursor busy;
  FHost.SetStatus(QStringLiteral("Loading..."));
  // One round of pending events so that the status is painted; user input waits, as a click
  // that closed the window now would pull it from under the build.
  const QPointer<TViewerSourceCard> self(this);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  if (!self) return;
  const TScopeExit end([this] {
    FMemo->setFocus();
    FHost.SetStatus(QStringLiteral("Ready"));
  });

  const TXMLDocument& doc = FHost.Document();
  // The mark is set whatever happens, so a file that cannot be read is not read again at
  // every showing; a reload tries again.
  FBuilt = true;
  try {
    // The text lives only until the view has its own copy: UTF-8 goes in piece by piece,
    // each piece freed once the view holds it.
    TSourceBytes source = BuildSourceBytes(doc.Filename(), FHost.Options().FormatSource);
    FEncodingPanel->setText(ToQString(source.EncodingName));
    if (source.Encoding->Kind() == ekUTF8) {
      FMemo->SetUtf8Text(source.Bytes.Length(), [&] { return source.Bytes.TakeNext(); });
    } else {
      std::vector<uint8_t> bytes = source.Bytes.Join();
      source.Bytes.Clear();
      const std::u16string text = source.Encoding->GetString(bytes.data(), bytes.size());
      std::vector<uint8_t>().swap(bytes);
      FMemo->SetText(text);
    }
  } catch (const EGeneralError& e) {
    FMemo->Clear();
    FEncodingPanel->clear();
    ErrorDlg(e.Message());
  }
  FSizePanel->setText(QStringLiteral("Size: %1 lines").arg(FMemo->LineCount()));
  UpdateCaretPanel();
}

void TViewerSourceCard::UpdateCaretPanel() {
  if (!FMemo) return;
  const unsigned code = FMemo->CharAtCaret();
  FCaretPanel->setText(QStringLiteral("Row: %1   Col: %2   Chr: %3(%4h)   Sel: %5")
                           .arg(FMemo->CaretLine())
                           .arg(FMemo->CaretColumn())
                           .arg(code)
                           .arg(QString::number(code, 16).toUpper())
                           .arg(FMemo->SelLength()));
}

void TViewerSourceCard::Print(QPrinter& aPrinter) {
  if (!FMemo) return;
  // The text view prints through its own printer class; it takes over the device, page and
  // file that the print dialog chose.
  QsciPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(aPrinter.outputFormat());
  printer.setPrinterName(aPrinter.printerName());
  printer.setOutputFileName(aPrinter.outputFileName());
  printer.setPageSize(aPrinter.pageLayout().pageSize());
  printer.setPageOrientation(aPrinter.pageLayout().orientation());
  printer.setColorMode(aPrinter.colorMode());
  printer.setDuplex(aPrinter.duplex());
  printer.setPrintRange(aPrinter.printRange());
  printer.setFromTo(aPrinter.fromPage(), aPrinter.toPage());
  TEditorPrintOptions options;
  options.FTitle = ToU16(QFileInfo(ToQString(FHost.Document().Filename())).fileName());
  FMemo->Print(printer, options);
}

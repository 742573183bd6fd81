#include "ViewerValuePanel.h"

#include <utility>

#include <QFileDialog>
#include <QMenu>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QVBoxLayout>

#include "Corvane_Dialogs.h"
#include "ImageView.h"
#include "QtText.h"
#include "SearchBox.h"
#include "TextEditor.h"
#include "TextViewMenu.h"
#include "ValueClassify.h"
#include "ViewerHost.h"
#include "XmlHighlighter.h"

TViewerValuePanel::TViewerValuePanel(IViewerHost& aHost, QWidget* aParent) : QWidget(aParent), FHost(aHost) {
  setObjectName(QStringLiteral("ValuePanel"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  FTabs = new QTabBar(this);
  FTabs->setObjectName(QStringLiteral("ValueTabs"));
  FTabs->setDrawBase(true);
  FTabs->setExpanding(false);
  FTabs->addTab(QStringLiteral("Value"));
  FTabs->addTab(QStringLiteral("Decoded"));
  FTabs->addTab(QStringLiteral("Image"));
  layout->addWidget(FTabs);
  FCards = new QStackedWidget(this);
  FCards->setObjectName(QStringLiteral("ValueCards"));
  layout->addWidget(FCards, 1);

  auto textCard = [this](TTextEditor*& aView, TSearchBox*& aBox, const QString& aViewName, const QString& aBoxName) {
    auto* card = new QWidget(FCards);
    auto* l = new QVBoxLayout(card);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    aView = new TTextEditor(card);
    aView->setObjectName(aViewName);
    aView->SetReadOnly(true);
    FHost.TextMenu().Attach(aView);
    l->addWidget(aView, 1);
    aBox = new TSearchBox(aBoxName, card);
    l->addWidget(aBox);
    FCards->addWidget(card);
  };
  textCard(FValueView, FValueSearch, QStringLiteral("ValueView"), QStringLiteral("eValueSearch"));
  textCard(FTextView, FTextSearch, QStringLiteral("TextView"), QStringLiteral("eTextSearch"));
  FValueView->SetBackgroundColor(RGB(0xF0, 0xF0, 0xF0));
  FTextView->SetHighlighter(std::make_shared<TXmlHighlighter>());
  FValueSearch->OnSearch = [this] { SearchText(FValueSearch, FValueView); };
  FValueSearch->OnEscape = [this] { FValueView->setFocus(); };
  new TSearchKeys(FValueView, FValueSearch);
  FTextSearch->OnSearch = [this] { SearchText(FTextSearch, FTextView); };

  FImageView = new TImageView(FCards);
  FCards->addWidget(FImageView);
  connect(FTabs, &QTabBar::tabBarClicked, this, [this](int aTab) {
    if (aTab >= 0) FCards->setCurrentIndex(aTab);
  });
  connect(FTabs, &QTabBar::currentChanged, this, [this](int aTab) {
    if (aTab >= 0) FCards->setCurrentIndex(aTab);
  });

  // Picture menu.
  FImageView->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* imageMenu = new QMenu(FImageView);
  QAction* fit = imageMenu->addAction(QStringLiteral("Fit in view"));
  fit->setCheckable(true);
  QAction* transparent = imageMenu->addAction(QStringLiteral("Transparent"));
  transparent->setCheckable(true);
  imageMenu->addSeparator();
  QAction* save = imageMenu->addAction(QStringLiteral("Save..."));
  connect(fit, &QAction::triggered, this, [this](bool aOn) { FImageView->SetFit(aOn); });
  connect(transparent, &QAction::triggered, this, [this](bool aOn) { FImageView->SetTransparent(aOn); });
  connect(save, &QAction::triggered, this, [this] { SavePicture(); });
  connect(FImageView, &QWidget::customContextMenuRequested, this,
          [this, imageMenu](const QPoint& aPos) { imageMenu->popup(FImageView->mapToGlobal(aPos)); });
}

void TViewerValuePanel::ShowValue(const TNodeData& aData) {
  FImageView->Clear();
  FValueView->setUpdatesEnabled(false);
  FTextView->setUpdatesEnabled(false);
  FValueView->SetText(aData.Value);

  const TValueClass value = ClassifyValue(aData.Value);
  TValuePicture picture;
  if (!value.Base64) {
    FTabs->setTabVisible(vcImage, false);
    FTabs->setTabVisible(vcDecoded, false);
    ShowCard(vcValue);
  } else {
    ShowDecodedText(value.Bytes);
    // The decoders read the bytes where they are; a picture found keeps a copy of its own.
    if (DecodeValuePicture(QByteArray::fromRawData(value.Bytes.data(), static_cast<qsizetype>(value.Bytes.size())),
                           picture)) {
      picture.Bytes = QByteArray(picture.Bytes.constData(), picture.Bytes.size());
      ShowPicture(aData.Name, picture);
    } else {
      FTabs->setTabVisible(vcImage, false);
      ShowCard(vcValue);
    }
  }
  FValueView->setUpdatesEnabled(true);
  FTextView->setUpdatesEnabled(true);
}

void TViewerValuePanel::ShowDecodedText(const std::string& aBytes) {
  try {
    // The view holds UTF-8: well-formed bytes go in as they are, others with U+FFFD for each
    // stray byte, a piece at a time; no conversion to UTF-16 and back, no copy of the whole.
    if (QByteArrayView(aBytes.data(), static_cast<qsizetype>(aBytes.size())).isValidUtf8()) {
      std::string_view text(aBytes);
      FTextView->SetUtf8Text(text.size(), [&text] { return std::exchange(text, std::string_view()); });
    } else {
      std::string piece;
      size_t at = 0;
      // Binary bytes grow as they are mended (three bytes for each stray one): room for twice
      // as many spares the view growing its copy on the way.
      FTextView->SetUtf8Text(2 * aBytes.size(), [&]() -> std::string_view {
        piece.clear();
        at = WellFormedUtf8(aBytes, at, piece, size_t(1) << 16);
        return piece;
      });
    }
    FTabs->setTabVisible(vcDecoded, true);
    FTabs->setTabText(vcDecoded, QStringLiteral("Decoded (%1 lines)").arg(FTextView->LineCount()));
  } catch (const std::exception& e) {
    // Said, not swallowed: the Decoded tab then keeps its previous state.
    ErrorDlg(QStringLiteral("Cannot decode the value: %1").arg(QString::fromUtf8(e.what())));
  }
}

void TViewerValuePanel::ShowPicture(const std::u16string& aName, const TValuePicture& aPicture) {
  FOfferedName = ToQString(aName) + aPicture.Extension();
  FImageView->SetPicture(aPicture);
  FTabs->setTabVisible(vcDecoded, false);
  FTabs->setTabVisible(vcImage, true);
  FTabs->setTabText(vcImage, ImageTabCaption(aPicture));
  ShowCard(vcImage);
}

void TViewerValuePanel::ShowCard(int aCard) {
  FCards->setCurrentIndex(aCard);
  const QSignalBlocker block(FTabs);
  FTabs->setCurrentIndex(aCard);
}

void TViewerValuePanel::Reset() {
  ResetSearch();
  FValueView->Clear();
  FTextView->Clear();
  FImageView->Clear();
  FTabs->setTabVisible(vcDecoded, false);
  FTabs->setTabVisible(vcImage, false);
  ShowCard(vcValue);
}

void TViewerValuePanel::ResetSearch() {
  FValueSearch->SetFound(false);
  FTextSearch->SetFound(false);
}

void TViewerValuePanel::ScrollToTop() {
  FValueView->setFirstVisibleLine(0);
  FTextView->setFirstVisibleLine(0);
}

TTextEditor* TViewerValuePanel::CurrentTextView() const {
  switch (FCards->currentIndex()) {
    case vcValue: return FValueView;
    case vcDecoded: return FTextView;
    default: return nullptr;
  }
}

void TViewerValuePanel::SearchText(TSearchBox* aBox, TTextEditor* aView) { SearchTextView(FHost, *aBox, *aView); }

void TViewerValuePanel::SavePicture() {
  const TValuePicture& picture = FImageView->Picture();
  if (picture.Image.isNull()) return;
  const QString name = QFileDialog::getSaveFileName(this, QString(), FOfferedName,
                                                    QStringLiteral("Images (*.jpg *.bmp *.png *.gif)"));
  if (name.isEmpty()) return;
  if (!SaveValuePicture(picture, name)) ErrorDlg(QStringLiteral("Cannot save %1.").arg(name));
}

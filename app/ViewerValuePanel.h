// The value pane of the Tree card: the tab strip Value, Decoded, Image over the raw value, the
// Base64-decoded text (each with its search box) and the decoded picture, with the picture's
// context menu. ShowValue classifies the value and shows what the class calls for.
#pragma once

#include <QWidget>

#include <string>

#include "NodeTree.h"

class IViewerHost;
class QTabBar;
class QStackedWidget;
class TImageView;
class TSearchBox;
class TTextEditor;
struct TValuePicture;

class TViewerValuePanel : public QWidget {
public:
  TViewerValuePanel(IViewerHost& aHost, QWidget* aParent);

  void ShowValue(const TNodeData& aData);
  // Empty views, no Decoded or Image tab, the Value card active (as after a load).
  void Reset();
  // The search buttons of the Value and Decoded boxes back to a new search.
  void ResetSearch();
  // Values start at the top, also after the pane was hidden or resized meanwhile.
  void ScrollToTop();
  // The text view of the active card; none while the Image card is active.
  TTextEditor* CurrentTextView() const;

private:
  enum { vcValue = 0, vcDecoded = 1, vcImage = 2 };  // cards and tabs
  void ShowCard(int aCard);
  void ShowDecodedText(const std::string& aBytes);
  void ShowPicture(const std::u16string& aName, const TValuePicture& aPicture);
  void SearchText(TSearchBox* aBox, TTextEditor* aView);
  void SavePicture();

  IViewerHost& FHost;
  QTabBar* FTabs;
  QStackedWidget* FCards;
  TTextEditor* FValueView = nullptr;
  TTextEditor* FTextView = nullptr;
  TSearchBox* FValueSearch = nullptr;
  TSearchBox* FTextSearch = nullptr;
  TImageView* FImageView;
  QString FOfferedName;  // what "Save..." offers for the shown picture
};

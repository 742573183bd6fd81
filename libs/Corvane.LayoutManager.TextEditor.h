// Keeps a text view's reading options between runs: the gutter's line numbers, automatic
// indentation, the selection mode and word wrap, per display arrangement.
#pragma once

#include "Corvane.LayoutManager.Control.h"

class TTextEditor;

class TLayoutManagerTextEditLayout : public TLayoutManagerControlLayout {
public:
  // Throws when the registered control is no text editor.
  void Attach(TLayoutManagerControl* AControl) override;
  void SaveDefault(bool AForce) override;
  void Save() override;
  void RestoreDefault() override;
  void Restore() override;

  static TLayoutClass Class();

private:
  TTextEditor* Editor() const;
  void WriteValues(const QString& ASection);
  void ReadValues(const QString& ASection);
  QString DefaultSection() const;
};

#include "Corvane.LayoutManager.TextEditor.h"

#include "TextEditor.h"

void TLayoutManagerTextEditLayout::Attach(TLayoutManagerControl* AControl) {
  if (!AControl || !qobject_cast<TTextEditor*>(AControl->Component()))
    throw ELayoutStorageError(QStringLiteral("TLayoutManagerTextEditLayout: Control is not TCustomTextEditor"));
  TLayoutManagerControlLayout::Attach(AControl);
}

TLayoutClass TLayoutManagerTextEditLayout::Class() {
  return [] { return std::make_unique<TLayoutManagerTextEditLayout>(); };
}

TTextEditor* TLayoutManagerTextEditLayout::Editor() const {
  return FControl ? qobject_cast<TTextEditor*>(FControl->Component()) : nullptr;
}

QString TLayoutManagerTextEditLayout::DefaultSection() const {
  return Section() + QStringLiteral("\\Default#") + FControl->DisplayKey();
}

void TLayoutManagerTextEditLayout::WriteValues(const QString& ASection) {
  TTextEditor* editor = Editor();
  ILayoutManagerStorage* storage = FControl ? FControl->Storage() : nullptr;
  if (!editor || !storage) return;
  storage->WriteBoolean(ASection, QStringLiteral("Gutter.ShowLineNumbers"), editor->ShowLineNumbers());
  storage->WriteBoolean(ASection, QStringLiteral("Gutter.LeadingZeros"), editor->LeadingZeros());
  storage->WriteBoolean(ASection, QStringLiteral("Gutter.ZeroStart"), editor->ZeroStart());
  storage->WriteBoolean(ASection, QStringLiteral("Gutter.Visible"), editor->GutterVisible());
  storage->WriteBoolean(ASection, QStringLiteral("Options.AutoIndent"), editor->AutoIndent());
  storage->WriteInteger(ASection, QStringLiteral("SelectionMode"), int(editor->SelectionMode()));
  storage->WriteBoolean(ASection, QStringLiteral("WordWrap"), editor->WordWrap());
}

void TLayoutManagerTextEditLayout::ReadValues(const QString& ASection) {
  TTextEditor* editor = Editor();
  ILayoutManagerStorage* storage = FControl ? FControl->Storage() : nullptr;
  if (!editor || !storage) return;
  editor->SetShowLineNumbers(storage->ReadBoolean(ASection, QStringLiteral("Gutter.ShowLineNumbers"), editor->ShowLineNumbers()));
  editor->SetLeadingZeros(storage->ReadBoolean(ASection, QStringLiteral("Gutter.LeadingZeros"), editor->LeadingZeros()));
  editor->SetZeroStart(storage->ReadBoolean(ASection, QStringLiteral("Gutter.ZeroStart"), editor->ZeroStart()));
  editor->SetGutterVisible(storage->ReadBoolean(ASection, QStringLiteral("Gutter.Visible"), editor->GutterVisible()));
  editor->SetAutoIndent(storage->ReadBoolean(ASection, QStringLiteral("Options.AutoIndent"), editor->AutoIndent()));
  const int64_t mode = storage->ReadInteger(ASection, QStringLiteral("SelectionMode"), int(editor->SelectionMode()));
  // A mode the control does not know leaves the current one.
  if (mode >= smNormal && mode <= smColumn) editor->SetSelectionMode(TSelectionMode(mode));
  editor->SetWordWrap(storage->ReadBoolean(ASection, QStringLiteral("WordWrap"), editor->WordWrap()));
}

// The control's first settings, kept once per arrangement; nothing reads them back but
// RestoreDefault, and every Save drops them again.
void TLayoutManagerTextEditLayout::SaveDefault(bool AForce) {
  ILayoutManagerStorage* storage = FControl ? FControl->Storage() : nullptr;
  if (!storage) return;
  const QString section = DefaultSection();
  if (!AForce && storage->SectionExists(section)) return;
  WriteValues(section);
}

void TLayoutManagerTextEditLayout::RestoreDefault() {
  ILayoutManagerStorage* storage = FControl ? FControl->Storage() : nullptr;
  if (storage && storage->SectionExists(DefaultSection())) ReadValues(DefaultSection());
}

void TLayoutManagerTextEditLayout::Save() {
  ILayoutManagerStorage* storage = FControl ? FControl->Storage() : nullptr;
  if (!storage) return;
  storage->DeleteSection(Section());
  WriteValues(Section() + QLatin1Char('#') + FControl->DisplayKey());
}

void TLayoutManagerTextEditLayout::Restore() {
  ILayoutManagerStorage* storage = FControl ? FControl->Storage() : nullptr;
  if (!storage) return;
  const QString keyed = Section() + QLatin1Char('#') + FControl->DisplayKey();
  ReadValues(storage->SectionExists(keyed) ? keyed : Section());
}

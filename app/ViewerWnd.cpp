#include "ViewerWnd.h"

struct Tmdi_quillon_Viewer::TParts {};

Tmdi_quillon_Viewer::Tmdi_quillon_Viewer(const TQuillonOptions* AOptions, QWidget* AParent)
    : QWidget(AParent), FOptions(AOptions), FParts(std::make_unique<TParts>()) {}
Tmdi_quillon_Viewer::~Tmdi_quillon_Viewer() = default;

QString Tmdi_quillon_Viewer::Filename() const { return FFilename; }
void Tmdi_quillon_Viewer::SetFilename(const QString& AFilename) { FFilename = AFilename; }
void Tmdi_quillon_Viewer::Reread() { SetFilename(Filename()); }
void Tmdi_quillon_Viewer::RefreshMod() {}
QDateTime Tmdi_quillon_Viewer::Modified() const { return FModified; }
void Tmdi_quillon_Viewer::RefreshView() {}
void Tmdi_quillon_Viewer::SetGridLines(bool) {}
void Tmdi_quillon_Viewer::SetTreeLines(bool) {}
void Tmdi_quillon_Viewer::MarkSourceStale() {}
QString Tmdi_quillon_Viewer::Encoding() const { return FEncoding; }
void Tmdi_quillon_Viewer::CheckFileChanged() {}

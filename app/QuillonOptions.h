// The eight check options of the main window. The main window owns the one instance; document
// windows keep a pointer to it and read the current state whenever they need it (at every
// load, when adding attribute nodes, when building the Source view), so a change reaches later
// work without any notification. Immediate effects (RefreshView, grid and tree lines, stale
// source views) are pushed by the main window.
#pragma once

struct TQuillonOptions {
  bool AttributesInTree = true;     // acTreeAttr
  bool ValueColumn = true;          // acValueCol
  bool TreeLines = true;            // acTreeLines
  bool GridLines = false;           // acGrid
  bool StrictXML = false;           // acStrictXML
  bool FormatSource = true;         // acFormSource
  bool PersistentSettings = false;  // acPersistent
  bool DefaultQuillon = false;      // acRegister: as the file association says
};

#pragma once
// The structure editors at the main window's dispatch point: the menu
// "Priprava" opens them through TScreenActions::openStructureEditor, which
// runs the operations urediStrukturo and urediMasterDetail.
class QMainWindow;
class TDispatch;

// Registers urediStrukturo (TfmNastavi) and urediMasterDetail (TfmNastMast).
// The editors open modally over okno, the main window; on a platform without
// a screen they are shown without waiting, so nothing blocks.
void registerStructureEditors(TDispatch &dispatch, QMainWindow *okno);

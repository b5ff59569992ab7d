// Editing commands, macros, printing, help and the updater.
// Interim stubs until the editing commands land.
#include "parlivox/shell/frmMain.h"

void frmMain::mnuEdit_Click() {}
void frmMain::mnuCut_Click() {}
void frmMain::mnuCopy_Click() {}
void frmMain::mnuPaste_Click() {}
void frmMain::mnuClearClip_Click() {}
void frmMain::mnuSelectAll_Click() {}
void frmMain::mnuMacroTime_Click() {}
void frmMain::mnuMacroDate_Click() {}
void frmMain::mnuMacroCopyright_Click() {}
void frmMain::mnuMacroRegTM_Click() {}
void frmMain::mnuPrint_Click() {}
void frmMain::mnuContents_Click() {}
void frmMain::mnuUpdates_Click() {}
void frmMain::showHelp() {}

// The speech session: start, pause and resume, stop, and the end-of-speech poll.
// Interim stubs until the speech session lands.
#include "parlivox/shell/frmMain.h"

void frmMain::mnuConvertAll_Click() {}
void frmMain::mnuConvertSel_Click() {}
void frmMain::PlayText() {}
void frmMain::PlayPause() {}
void frmMain::StopText() {}
void frmMain::setBusyState() {}
void frmMain::setIdleState() {}
void frmMain::tmrSpk_Timer() {}

// The toolbar's command dispatch and the formatting buttons.
// Interim stubs until the formatting toolbar lands.
#include "parlivox/shell/frmMain.h"

void frmMain::Toolbar1_ButtonClick(const QString& key)
{
    static_cast<void>(key);
}
void frmMain::setColour() {}

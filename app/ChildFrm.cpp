#include "app/ChildFrm.h"

void CChildFrame::ActivateFrame(int) {
    CMDIChildWnd::ActivateFrame(SW_SHOWMAXIMIZED);
}

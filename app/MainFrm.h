// CMainFrame: the workbench's main window, with its toolbar and status bar.
#pragma once

#include "app/framework/MDIFrameWnd.h"

class CMainFrame : public CMDIFrameWnd {
    Q_OBJECT
protected:
    int OnCreate() override;
};

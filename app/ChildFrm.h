// CChildFrame: a document window; it always opens maximised.
#pragma once

#include "app/framework/MDIChildWnd.h"

class CChildFrame : public CMDIChildWnd {
    Q_OBJECT
public:
    void ActivateFrame(int nCmdShow = -1) override;
};

#include "app/MainFrm.h"

#include <QtDebug>

#include "app/Resource.h"

int CMainFrame::OnCreate() {
    if (!CreateToolBar(IDR_MAINFRAME)) {
        qDebug("Failed to create toolbar\n");
        return -1;
    }
    if (!CreateStatusBar({0, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL})) {
        qDebug("Failed to create status bar\n");
        return -1;
    }
    return 0;
}

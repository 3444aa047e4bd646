// CTorvexApp: the workbench's application object, and its about box.
#pragma once

#include <QDialog>

#include "app/framework/WinApp.h"

class CTorvexApp : public CWinApp {
public:
    CTorvexApp();
    ~CTorvexApp() override;
    // Opens the console, the settings, the document template and the main
    // frame, then the file named on the command line (a bare start opens nothing).
    bool InitInstance() override;

private:
    void OnAppAbout();
};

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    CAboutDlg();
};

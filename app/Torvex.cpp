#include "app/Torvex.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "app/ChildFrm.h"
#include "app/DebugConsole.h"
#include "app/Icons.h"
#include "app/MainFrm.h"
#include "app/Resource.h"
#include "app/Resources.h"
#include "app/TorvexDoc.h"
#include "app/TorvexView.h"
#include "app/framework/DocTemplate.h"

CTorvexApp::CTorvexApp() : CWinApp(TorvexResources()) {
    OnCommand(ID_APP_ABOUT, [this] { OnAppAbout(); });
    OnCommand(ID_FILE_NEW, [this] { OnFileNew(); });
    OnCommand(ID_FILE_OPEN, [this] { OnFileOpen(); });
    OnCommand(ID_FILE_PRINT_SETUP, [this] { OnFilePrintSetup(); });
}

CTorvexApp::~CTorvexApp() {
    ExitInstance();
    FreeConsole();
}

bool CTorvexApp::InitInstance() {
    OpenDebugConsole("Debug Window");
    SetRegistryKey("Local AppWizard-Generated Applications");
    LoadStdProfileSettings(4);
    AddDocTemplate(std::make_unique<CDocTemplate>(
        IDR_TORVXTYPE, [] { return std::make_unique<CTorvexDoc>(); },
        [] { return new CChildFrame; }, [] { return new CTorvexView; }));

    auto frame = std::make_unique<CMainFrame>();
    if (!frame->LoadFrame(IDR_MAINFRAME)) return false;
    SetMainWnd(std::move(frame));

    CCommandLineInfo cmdInfo;
    ParseCommandLine(QCoreApplication::arguments(), cmdInfo);
    if (cmdInfo.m_nShellCommand == CCommandLineInfo::FileNew)
        cmdInfo.m_nShellCommand = CCommandLineInfo::FileNothing;
    if (!ProcessShellCommand(cmdInfo)) return false;

    // Without a window manager a maximised window keeps its size; fill the screen anyway.
    if (QScreen* screen = GetMainWnd()->screen())
        GetMainWnd()->setGeometry(screen->availableGeometry());
    GetMainWnd()->showMaximized();
    GetMainWnd()->update();
    return true;
}

void CTorvexApp::OnAppAbout() {
    CAboutDlg dialog;
    dialog.exec();
}

CAboutDlg::CAboutDlg() : QDialog(AfxGetMainWnd()) {
    setWindowTitle(QString::fromUtf8("关于 Torvex"));
    auto* layout = new QGridLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(32, 32));
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(new QLabel(QString::fromUtf8("Torvex 1.0 版"), this), 0, 1);
    layout->addWidget(new QLabel(QString::fromUtf8("图像变形工作台：控制点对，三种变形方法"), this),
                      1, 1);
    auto* ok = new QPushButton(QString::fromUtf8("确定"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, 2, Qt::AlignTop);
}

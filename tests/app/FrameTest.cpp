#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <iostream>

#include "app/DebugConsole.h"
#include "app/Resource.h"
#include "tests/app/AppFixture.h"

namespace {

QStringList MenuTitles(QMainWindow* window) {
    QStringList titles;
    for (QAction* a : window->menuBar()->actions())
        titles << a->text();
    return titles;
}

} // namespace

TEST_F(AppTest, BareStartShowsTheMaximisedFrameWithoutDocuments) {
    EXPECT_TRUE(frame->isMaximized());
    EXPECT_EQ(frame->windowTitle(), "Torvex");
    EXPECT_TRUE(frame->MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(MenuTitles(frame), QStringList({"文件(&F)", "查看(&V)", "帮助(&H)"}));
    EXPECT_FALSE(IsEnabled(ID_DO_WARPING));
    EXPECT_TRUE(IsEnabled(ID_FILE_NEW));
    EXPECT_FALSE(IsEnabled(ID_FILE_SAVE));
    EXPECT_EQ(frame->findChild<QStatusBar*>()->findChildren<QLabel*>().first()->text(), "就绪");
}

TEST_F(AppTest, NewDocumentsAreNumberedAndSwapTheMenu) {
    ASSERT_TRUE(Command(ID_FILE_NEW));
    ASSERT_NE(ActiveDoc(), nullptr);
    EXPECT_EQ(ActiveDoc()->GetTitle(), "Torvx1");
    EXPECT_TRUE(frame->MDIGetActive()->isMaximized());
    EXPECT_EQ(frame->windowTitle(), "Torvex - [Torvx1]");
    EXPECT_EQ(MenuTitles(frame),
              QStringList({"文件(&F)", "编辑(&E)", "查看(&V)", "窗口(&W)", "帮助(&H)", "Warping"}));
    Command(ID_FILE_NEW);
    EXPECT_EQ(ActiveDoc()->GetTitle(), "Torvx2");

    // Edit commands have no handler anywhere; the warping ones belong to the view.
    for (UINT id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE})
        EXPECT_FALSE(IsEnabled(id)) << id;
    for (UINT id : {ID_CONTROL_POINTS, ID_DO_WARPING, ID_OPTION, ID_FILE_SAVE, ID_WINDOW_NEW})
        EXPECT_TRUE(IsEnabled(id)) << id;

    Command(ID_FILE_CLOSE);
    Command(ID_FILE_CLOSE);
    EXPECT_TRUE(frame->MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(MenuTitles(frame).size(), 3);
    EXPECT_EQ(frame->windowTitle(), "Torvex");
}

TEST_F(AppTest, NewWindowShowsTheSameDocumentWithItsOwnMethod) {
    Command(ID_FILE_NEW);
    CTorvexView* first = ActiveView();
    CTorvexDoc* doc = ActiveDoc();
    Command(ID_WINDOW_NEW);
    CTorvexView* second = ActiveView();
    ASSERT_NE(first, second);
    EXPECT_EQ(second->GetDocument(), doc);
    EXPECT_NE(first->GetMethod(), second->GetMethod());
    EXPECT_EQ(first->GetParentFrame()->windowTitle(), "Torvx1:1");
    EXPECT_EQ(second->GetParentFrame()->windowTitle(), "Torvx1:2");
    second->GetParentFrame()->close();
    ProcessEvents();
    EXPECT_EQ(first->GetParentFrame()->windowTitle(), "Torvx1");
}

TEST_F(AppTest, WindowCommandsArrangeTheDocumentWindows) {
    Command(ID_FILE_NEW);
    Command(ID_FILE_NEW);
    Command(ID_WINDOW_CASCADE);
    Command(ID_WINDOW_TILE_HORZ);
    Command(ID_WINDOW_ARRANGE);
    EXPECT_EQ(frame->MdiArea()->subWindowList().size(), 2);
}

TEST_F(AppTest, ToolbarAndStatusBarToggleWithChecks) {
    auto* toolbar = frame->findChild<QToolBar*>();
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(toolbar->actions().size(), 11);
    EXPECT_TRUE(frame->QueryCommand(ID_VIEW_TOOLBAR).checked);
    Command(ID_VIEW_TOOLBAR);
    EXPECT_FALSE(toolbar->isVisibleTo(frame));
    EXPECT_FALSE(frame->QueryCommand(ID_VIEW_TOOLBAR).checked);
    Command(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(frame->QueryCommand(ID_VIEW_STATUS_BAR).checked);
    EXPECT_EQ(frame->GetAction(ID_FILE_NEW)->statusTip(), "创建新文档");
    EXPECT_EQ(frame->GetAction(ID_FILE_NEW)->toolTip(), "新建");
}

TEST_F(AppTest, AcceleratorsComeFromTheTable) {
    EXPECT_EQ(frame->GetAction(ID_FILE_OPEN)->shortcuts(),
              QList<QKeySequence>({QKeySequence("Ctrl+O")}));
    EXPECT_EQ(frame->GetAction(ID_EDIT_PASTE)->shortcuts().size(), 2);
    ASSERT_NE(frame->GetAction(ID_NEXT_PANE), nullptr);
    EXPECT_FALSE(IsEnabled(ID_NEXT_PANE));
}

TEST_F(AppTest, DebugConsoleShowsStandardOutputAsItIsWritten) {
    QPlainTextEdit* console = GetDebugConsole();
    ASSERT_NE(console, nullptr);
    EXPECT_EQ(console->windowTitle(), "Debug Window");
    EXPECT_EQ(console->maximumBlockCount(), 500);
    std::cout << "Gauss methods failed!" << std::endl;
    std::fprintf(stderr, "to the error stream\n");
    for (int i = 0; i < 50 && !console->toPlainText().contains("error stream"); ++i) {
        QThread::msleep(10);
        ProcessEvents();
    }
    EXPECT_TRUE(console->toPlainText().contains("Gauss methods failed!"));
    EXPECT_TRUE(console->toPlainText().contains("to the error stream"));
}

TEST_F(AppTest, AboutIsHandledByTheApplication) {
    EXPECT_TRUE(IsEnabled(ID_APP_ABOUT));
}

TEST_F(AppTest, CommandLineNamesTheFileToOpen) {
    CCommandLineInfo bare;
    CWinApp::ParseCommandLine({"torvex"}, bare);
    EXPECT_EQ(bare.m_nShellCommand, CCommandLineInfo::FileNew);
    CCommandLineInfo withFile;
    const QString path = WriteBmp("cmdline.bmp", 6, 6);
    CWinApp::ParseCommandLine({"torvex", "--style=fusion", path}, withFile);
    EXPECT_EQ(withFile.m_nShellCommand, CCommandLineInfo::FileOpen);
    EXPECT_EQ(withFile.m_strFileName, path);
    EXPECT_TRUE(app->ProcessShellCommand(withFile));
    ASSERT_NE(ActiveDoc(), nullptr);
    EXPECT_EQ(ActiveDoc()->GetTitle(), "cmdline.bmp");
    EXPECT_TRUE(frame->MDIGetActive()->isMaximized());
}

TEST_F(AppTest, AboutBoxShowsTheVersion) {
    QTimer::singleShot(0, [] {
        QWidget* about = QApplication::activeModalWidget();
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(about->windowTitle(), "关于 Torvex");
        QStringList texts;
        for (QLabel* label : about->findChildren<QLabel*>())
            texts << label->text();
        EXPECT_TRUE(texts.contains("Torvex 1.0 版"));
        about->findChild<QPushButton*>()->click();
    });
    Command(ID_APP_ABOUT);
}

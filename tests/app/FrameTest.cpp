#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QThread>
#include <iostream>

#include "app/DebugConsole.h"
#include "tests/app/AppFixture.h"

namespace {

QStringList MenuTitles(QMainWindow* window) {
    QStringList titles;
    for (QAction* a : window->menuBar()->actions())
        titles << a->text();
    return titles;
}

} // namespace

TEST_F(AppTest, NewDocumentsAreNumberedAndSwapTheMenus) {
    EXPECT_TRUE(frame->isMaximized());
    EXPECT_EQ(MenuTitles(frame), QStringList({"文件(&F)", "查看(&V)", "帮助(&H)"}));
    EXPECT_FALSE(IsEnabled(ID_DO_WARPING));
    ASSERT_TRUE(Command(ID_FILE_NEW));
    Command(ID_FILE_NEW);
    EXPECT_EQ(ActiveDoc()->GetTitle(), "Torvx2");
    EXPECT_TRUE(frame->MDIGetActive()->isMaximized());
    EXPECT_EQ(frame->windowTitle(), "Torvex - [Torvx2]");
    EXPECT_EQ(MenuTitles(frame),
              QStringList({"文件(&F)", "编辑(&E)", "查看(&V)", "窗口(&W)", "帮助(&H)", "Warping"}));
    // Edit commands have no handler anywhere; the warping ones belong to the view.
    for (UINT id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE})
        EXPECT_FALSE(IsEnabled(id)) << id;
    for (UINT id : {ID_CONTROL_POINTS, ID_DO_WARPING, ID_OPTION, ID_FILE_SAVE, ID_WINDOW_NEW})
        EXPECT_TRUE(IsEnabled(id)) << id;
    Command(ID_FILE_CLOSE);
    Command(ID_FILE_CLOSE);
    EXPECT_EQ(MenuTitles(frame).size(), 3);
}

TEST_F(AppTest, NewWindowShowsTheSameDocumentWithItsOwnMethod) {
    Command(ID_FILE_NEW);
    CTorvexView* first = ActiveView();
    Command(ID_WINDOW_NEW);
    CTorvexView* second = ActiveView();
    ASSERT_NE(first, second);
    EXPECT_EQ(second->GetDocument(), first->GetDocument());
    EXPECT_NE(first->GetMethod(), second->GetMethod());
    EXPECT_EQ(first->GetParentFrame()->windowTitle(), "Torvx1:1");
    EXPECT_EQ(second->GetParentFrame()->windowTitle(), "Torvx1:2");
}

TEST_F(AppTest, DebugConsoleShowsStandardOutputAndErrorAsTheyAreWritten) {
    QPlainTextEdit* console = GetDebugConsole();
    ASSERT_NE(console, nullptr);
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

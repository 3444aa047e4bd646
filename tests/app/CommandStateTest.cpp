// The frame's actions and indicators are brought up to date by the events
// that change them, at once, with no polling.
#include <QApplication>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include "app/framework/KeyboardState.h"
#include "tests/app/AppFixture.h"

namespace {

class CommandStateTest : public AppTest {
protected:
    void TearDown() override {
        SetLockKeyHook(nullptr);
        AppTest::TearDown();
    }
    // What the user sees: the action's state, not the route's answer.
    bool Shown(UINT id) { return frame->GetAction(id)->isEnabled(); }
    bool Checked(UINT id) { return frame->GetAction(id)->isChecked(); }
    QToolBar* ToolBar() { return frame->findChild<QToolBar*>("toolbar"); }
    bool IndicatorOn(const QString& text) {
        for (QLabel* label : frame->statusBar()->findChildren<QLabel*>())
            if (label->text() == text) return label->isEnabled();
        ADD_FAILURE() << "no indicator " << text.toStdString();
        return false;
    }
};

} // namespace

TEST_F(CommandStateTest, ActionsFollowOpeningActivatingAndClosingDocumentWindows) {
    const UINT docCommands[] = {ID_FILE_SAVE, ID_FILE_PRINT};
    for (UINT id : docCommands)
        EXPECT_FALSE(Shown(id)) << "no document: toolbar button " << id;
    ASSERT_NE(Open(WriteBmp("state.bmp", 8, 8)), nullptr);
    for (UINT id : {ID_FILE_SAVE, ID_FILE_PRINT, ID_DO_WARPING, ID_CONTROL_POINTS})
        EXPECT_TRUE(Shown(id)) << "document open: " << id;
    EXPECT_FALSE(Shown(ID_EDIT_CUT));

    frame->MdiArea()->setActiveSubWindow(nullptr); // no active window, no command run
    for (UINT id : docCommands)
        EXPECT_FALSE(Shown(id)) << "deactivated: " << id;
    EXPECT_EQ(frame->menuBar()->actions().size(), 3);
    frame->MdiArea()->setActiveSubWindow(frame->MdiArea()->subWindowList().front());
    for (UINT id : docCommands)
        EXPECT_TRUE(Shown(id)) << "activated again: " << id;

    frame->MDIGetActive()->close(); // the window's own close button, not the command
    ProcessEvents();
    for (UINT id : docCommands)
        EXPECT_FALSE(Shown(id)) << "closed: " << id;
    EXPECT_EQ(frame->menuBar()->actions().size(), 3);
}

TEST_F(CommandStateTest, CheckMarksFollowTheCommandsAndTheToolbarsOwnMenu) {
    ASSERT_TRUE(Checked(ID_VIEW_TOOLBAR));
    ASSERT_TRUE(Checked(ID_VIEW_STATUS_BAR));
    Command(ID_VIEW_TOOLBAR);
    Command(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(Checked(ID_VIEW_TOOLBAR));
    EXPECT_FALSE(Checked(ID_VIEW_STATUS_BAR));
    Command(ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(Checked(ID_VIEW_STATUS_BAR));
    ToolBar()->show(); // as the frame's context menu does
    EXPECT_TRUE(Checked(ID_VIEW_TOOLBAR));
    ToolBar()->hide();
    EXPECT_FALSE(Checked(ID_VIEW_TOOLBAR));
}

TEST_F(CommandStateTest, LockIndicatorsFollowTheLockKeysAndActivation) {
    bool caps = false, num = false;
    SetLockKeyHook([&](UINT id, bool& on) {
        on = id == ID_INDICATOR_CAPS ? caps : id == ID_INDICATOR_NUM ? num : false;
        return true;
    });
    caps = true;
    QTest::keyClick(frame, Qt::Key_CapsLock);
    EXPECT_TRUE(IndicatorOn("CAP"));
    EXPECT_FALSE(IndicatorOn("NUM"));
    caps = false;
    QTest::keyClick(frame, Qt::Key_CapsLock);
    EXPECT_FALSE(IndicatorOn("CAP"));

    num = true; // switched while another program had the keyboard
    QEvent activation(QEvent::ActivationChange);
    QApplication::sendEvent(frame, &activation);
    EXPECT_TRUE(IndicatorOn("NUM"));
    EXPECT_FALSE(IndicatorOn("SCRL"));
}

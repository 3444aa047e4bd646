// The framework on its own, under an application of the test's making: the
// frame's title, icon, menus, accelerators, toolbar and status bar all come
// from the resources that application hands over.
#include <gtest/gtest.h>

#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <map>

#include "app/framework/FrameworkIds.h"
#include "app/framework/MDIFrameWnd.h"
#include "app/framework/ResourceProvider.h"
#include "app/framework/WinApp.h"

namespace {

constexpr UINT kFrame = 7;

class FakeResources : public CResourceProvider {
public:
    const std::vector<PopupResource>& LoadMenu(UINT id) const override {
        static const std::vector<PopupResource> menu = {
            {"Game", {{"Start\tCtrl+N", ID_FILE_NEW}, {nullptr, 0}, {"Quit", ID_APP_EXIT}}}};
        static const std::vector<PopupResource> empty;
        return id == kFrame ? menu : empty;
    }
    const std::vector<AcceleratorResource>& LoadAccelerators(UINT id) const override {
        static const std::vector<AcceleratorResource> keys = {{"Ctrl+Q", ID_APP_EXIT}};
        static const std::vector<AcceleratorResource> empty;
        return id == kFrame ? keys : empty;
    }
    const std::vector<UINT>& LoadToolBar(UINT id) const override {
        static const std::vector<UINT> buttons = {ID_APP_EXIT};
        static const std::vector<UINT> empty;
        return id == kFrame ? buttons : empty;
    }
    QIcon LoadToolBarImage(UINT, UINT) const override { return QIcon(); }
    QIcon LoadIcon(UINT id) const override {
        if (id != kFrame) return QIcon();
        QPixmap red(16, 16);
        red.fill(Qt::red);
        return QIcon(red);
    }
    QString LoadString(UINT id) const override {
        const std::map<UINT, QString> table = {{AFX_IDS_APP_TITLE, "Fake App"},
                                               {AFX_IDS_IDLEMESSAGE, "Waiting"},
                                               {kFrame, "Fake Frame"},
                                               {ID_APP_EXIT, "Leave the game\nQuit now"}};
        const auto it = table.find(id);
        return it == table.end() ? QString() : it->second;
    }
};

class FakeFrame : public CMDIFrameWnd {
protected:
    int OnCreate() override { return CreateToolBar(kFrame) && CreateStatusBar({0}) ? 0 : -1; }
};

class FakeApp : public CWinApp {
public:
    explicit FakeApp(const CResourceProvider& resources) : CWinApp(resources) {}
    bool InitInstance() override {
        auto frame = std::make_unique<FakeFrame>();
        if (!frame->LoadFrame(kFrame)) return false;
        SetMainWnd(std::move(frame));
        return true;
    }
};

} // namespace

TEST(FrameworkResources, TheFrameIsBuiltFromTheApplicationsResources) {
    const FakeResources resources;
    FakeApp app(resources);
    ASSERT_TRUE(app.InitInstance());
    CMDIFrameWnd* frame = app.GetMainWnd();
    EXPECT_EQ(app.GetAppName(), "Fake App");
    EXPECT_EQ(frame->windowTitle(), "Fake Frame");
    EXPECT_FALSE(frame->windowIcon().isNull());

    const auto menus = frame->menuBar()->actions();
    ASSERT_EQ(menus.size(), 1);
    EXPECT_EQ(menus[0]->text(), "Game");
    QStringList items;
    for (QAction* a : menus[0]->menu()->actions())
        items << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(items, QStringList({"Start\tCtrl+N", "-", "Quit"}));

    QAction* quit = frame->GetAction(ID_APP_EXIT);
    ASSERT_NE(quit, nullptr);
    EXPECT_EQ(quit->shortcuts(), QList<QKeySequence>({QKeySequence("Ctrl+Q")}));
    EXPECT_EQ(quit->statusTip(), "Leave the game");
    EXPECT_EQ(quit->toolTip(), "Quit now");
    EXPECT_TRUE(quit->isEnabled()) << "the application handles exit";
    EXPECT_FALSE(frame->GetAction(ID_FILE_NEW)->isEnabled()) << "nobody handles new here";
    EXPECT_EQ(frame->findChild<QToolBar*>("toolbar")->actions(), QList<QAction*>({quit}));

    QStringList status;
    for (QLabel* label : frame->statusBar()->findChildren<QLabel*>())
        status << label->text();
    EXPECT_EQ(status, QStringList({"Waiting"}));
}

#include "tests/app/AppFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QTest>

#include "app/framework/MessageBox.h"
#include "app/framework/View.h"
#include "image/CxImage.h"

void AppTest::SetUp() {
    tempDir =
        QDir::tempPath() + "/torvex_app_" + QString::number(QCoreApplication::applicationPid());
    QDir().mkpath(tempDir);
    SetMessageBoxHook([this](const QString& text) { messages << text; });
    CWinApp::SetFileDialogHook([this](const QString&, bool) { return nextFileName; });
    CView::SetPrintDialogHook([](QPrinter&) { return true; });
    QSettings("Local AppWizard-Generated Applications", "Torvex").clear(); // no recent files
    app = std::make_unique<CTorvexApp>();
    ASSERT_TRUE(app->InitInstance());
    frame = app->GetMainWnd();
    ProcessEvents();
}

void AppTest::TearDown() {
    app.reset();
    ProcessEvents();
    SetMessageBoxHook(nullptr);
    CWinApp::SetFileDialogHook(nullptr);
    CView::SetPrintDialogHook(nullptr);
    QDir(tempDir).removeRecursively();
}

void AppTest::ProcessEvents() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool AppTest::Command(UINT id) {
    const bool handled = frame->OnCommandId(id);
    ProcessEvents();
    return handled;
}

CTorvexDoc* AppTest::Open(const QString& path) {
    nextFileName = path;
    Command(ID_FILE_OPEN);
    return ActiveDoc();
}

QString AppTest::WriteBmp(const QString& name, int width, int height) {
    CxImage img(width, height, 24);
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x)
            img.SetPixelColor(x, y, RGB(BYTE(x * 7), BYTE(y * 5), BYTE((x + y) * 3)));
    const QString path = tempDir + "/" + name;
    EXPECT_TRUE(img.Save(QFile::encodeName(path).constData(), FORMAT_BMP)) << img.GetLastError();
    return path;
}

void AppTest::Drag(QPoint from, QPoint to) {
    QWidget* viewport = ActiveView()->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, to);
    ProcessEvents();
}

// A started workbench for the application tests: the real application
// object, main frame and windows, with message boxes, file dialogs and the
// print dialog answered by the test.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <memory>

#include "app/Resource.h"
#include "app/Torvex.h"
#include "app/TorvexDoc.h"
#include "app/TorvexView.h"
#include "app/framework/MDIChildWnd.h"
#include "app/framework/MDIFrameWnd.h"

class AppTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs a command through the main frame, as a menu item would.
    bool Command(UINT id);
    bool IsEnabled(UINT id) { return frame->QueryCommand(id).enabled; }
    CTorvexView* ActiveView() { return dynamic_cast<CTorvexView*>(frame->GetActiveView()); }
    CTorvexDoc* ActiveDoc() { return ActiveView() ? ActiveView()->GetDocument() : nullptr; }
    // Opens a file as the open command does, with the file dialog answering path.
    CTorvexDoc* Open(const QString& path);
    // Writes a test image as a BMP file and returns its path.
    QString WriteBmp(const QString& name, int width, int height);
    // Presses at one point of the active view and releases at another (view pixels).
    void Drag(QPoint from, QPoint to);
    void ProcessEvents();

    std::unique_ptr<CTorvexApp> app;
    CMDIFrameWnd* frame = nullptr;
    QStringList messages; // message box texts, in order
    QString nextFileName; // what the next file dialog answers
    QString tempDir;
};

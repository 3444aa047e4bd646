// CMDIChildWnd: a document window inside the main frame, holding one view.
// Its title is the document's title, with ":n" appended when the document
// has several windows.
#pragma once

#include <QMdiSubWindow>

#include "app/framework/CmdTarget.h"

class CDocTemplate;
class CView;

class CMDIChildWnd : public QMdiSubWindow, public CCmdTarget {
    Q_OBJECT
public:
    CMDIChildWnd();
    ~CMDIChildWnd() override;

    void SetView(CView* view, CDocTemplate* docTemplate);
    CView* GetActiveView() const { return m_pView; }
    // Shows and activates the window with the show state the frame chooses.
    void InitialUpdateFrame();
    virtual void ActivateFrame(int nCmdShow = -1);
    void OnUpdateFrameTitle();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CView* m_pView = nullptr;
    CDocTemplate* m_pDocTemplate = nullptr;
};

// Show states of ActivateFrame.
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMAXIMIZED = 3;

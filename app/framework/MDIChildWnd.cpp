#include "app/framework/MDIChildWnd.h"

#include <QCloseEvent>

#include "app/framework/DocTemplate.h"
#include "app/framework/Document.h"
#include "app/framework/MDIFrameWnd.h"
#include "app/framework/View.h"
#include "app/framework/WinApp.h"

CMDIChildWnd::CMDIChildWnd() {
    setAttribute(Qt::WA_DeleteOnClose);
}

CMDIChildWnd::~CMDIChildWnd() = default;

void CMDIChildWnd::SetView(CView* view, CDocTemplate* docTemplate) {
    m_pView = view;
    m_pDocTemplate = docTemplate;
    setWidget(view);
    view->SetParentFrame(this);
}

void CMDIChildWnd::InitialUpdateFrame() {
    if (m_pView) m_pView->OnInitialUpdate();
    ActivateFrame();
}

void CMDIChildWnd::ActivateFrame(int nCmdShow) {
    if (nCmdShow == SW_SHOWMAXIMIZED)
        showMaximized();
    else
        show();
    mdiArea()->setActiveSubWindow(this);
    if (m_pView) m_pView->setFocus();
}

void CMDIChildWnd::OnUpdateFrameTitle() {
    CDocument* doc = m_pView ? m_pView->GetDocument() : nullptr;
    if (!doc) return;
    QString title = doc->GetTitle();
    const auto& views = doc->GetViews();
    if (views.size() > 1) {
        const auto it = std::find(views.begin(), views.end(), m_pView);
        title += ":" + QString::number(it - views.begin() + 1);
    }
    setWindowTitle(title);
    if (AfxGetMainWnd()) AfxGetMainWnd()->OnUpdateFrameTitle();
}

void CMDIChildWnd::closeEvent(QCloseEvent* event) {
    // Detach the view from its document at once; the widgets go later.
    if (m_pView && m_pDocTemplate) m_pDocTemplate->OnViewClosed(m_pView);
    m_pDocTemplate = nullptr;
    QMdiSubWindow::closeEvent(event);
    if (AfxGetMainWnd()) AfxGetMainWnd()->OnUpdateFrameTitle();
}

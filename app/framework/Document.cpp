#include "app/framework/Document.h"

#include <QFileInfo>

#include "app/framework/DocTemplate.h"
#include "app/framework/FrameworkIds.h"
#include "app/framework/MDIChildWnd.h"
#include "app/framework/View.h"
#include "app/framework/WinApp.h"

CDocument::CDocument() {
    OnCommand(ID_FILE_SAVE, [this] { OnFileSave(); });
    OnCommand(ID_FILE_SAVE_AS, [this] { OnFileSaveAs(); });
    OnCommand(ID_FILE_CLOSE, [this] { OnCloseDocument(); });
}

CDocument::~CDocument() = default;

void CDocument::SetTitle(const QString& title) {
    m_strTitle = title;
    for (CView* view : m_views) {
        if (CMDIChildWnd* frame = view->GetParentFrame()) frame->OnUpdateFrameTitle();
    }
}

void CDocument::SetPathName(const QString& path, bool addToMRU) {
    m_strPathName = QFileInfo(path).absoluteFilePath();
    SetTitle(QFileInfo(path).fileName());
    if (addToMRU) AfxGetApp()->AddToRecentFileList(m_strPathName);
}

void CDocument::AddView(CView* view) {
    m_views.push_back(view);
    view->SetDocument(this);
}

void CDocument::RemoveView(CView* view) {
    std::erase(m_views, view);
    view->SetDocument(nullptr);
}

void CDocument::UpdateAllViews(CView* sender) {
    for (CView* view : m_views) {
        if (view != sender) view->OnUpdate(sender);
    }
}

void CDocument::OnCloseDocument() {
    // Closing the last frame destroys the document, so work on a copy of the list.
    std::vector<CMDIChildWnd*> frames;
    for (CView* view : m_views) {
        if (CMDIChildWnd* frame = view->GetParentFrame()) frames.push_back(frame);
    }
    for (CMDIChildWnd* frame : frames)
        frame->close();
}

bool CDocument::DoSave(const QString& path) {
    QString target = path;
    if (target.isEmpty()) {
        target = AfxGetApp()->DoPromptFileName(m_strTitle, false);
        if (target.isEmpty()) return false;
    }
    if (!OnSaveDocument(target)) return false;
    SetPathName(target);
    return true;
}

void CDocument::OnFileSave() {
    DoSave(m_strPathName);
}

void CDocument::OnFileSaveAs() {
    DoSave(QString());
}

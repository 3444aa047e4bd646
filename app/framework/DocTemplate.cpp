#include "app/framework/DocTemplate.h"

#include <QFileInfo>

#include "app/framework/Document.h"
#include "app/framework/MDIChildWnd.h"
#include "app/framework/MDIFrameWnd.h"
#include "app/framework/ResourceProvider.h"
#include "app/framework/View.h"
#include "app/framework/WinApp.h"

CDocTemplate::CDocTemplate(UINT resourceId, DocumentFactory doc, FrameFactory frame,
                           ViewFactory view)
    : m_resourceId(resourceId), m_createDocument(std::move(doc)), m_createFrame(std::move(frame)),
      m_createView(std::move(view)) {}

CDocTemplate::~CDocTemplate() = default;

CDocument* CDocTemplate::FindOpenDocument(const QString& path) const {
    const QString wanted = QFileInfo(path).canonicalFilePath();
    if (wanted.isEmpty()) return nullptr;
    for (const auto& doc : m_documents) {
        if (!doc->GetPathName().isEmpty() &&
            QFileInfo(doc->GetPathName()).canonicalFilePath() == wanted)
            return doc.get();
    }
    return nullptr;
}

CDocument* CDocTemplate::OpenDocumentFile(const QString& path) {
    if (!path.isEmpty()) {
        if (CDocument* open = FindOpenDocument(path)) {
            if (!open->GetViews().empty())
                open->GetViews().front()->GetParentFrame()->ActivateFrame();
            return open;
        }
    }
    CDocument* doc = AddDocument(m_createDocument());
    CMDIChildWnd* frame = CreateNewFrame(doc);
    if (path.isEmpty()) {
        // New documents are named after the document type and numbered.
        const QString name = AfxGetResources().LoadString(m_resourceId).section('\n', 1, 1);
        doc->SetTitle(name + QString::number(++m_nUntitledCount));
        if (!doc->OnNewDocument()) {
            frame->close();
            return nullptr;
        }
    } else if (!doc->OnOpenDocument(path)) {
        frame->close();
        return nullptr;
    } else {
        doc->SetPathName(path);
    }
    frame->InitialUpdateFrame();
    return doc;
}

CMDIChildWnd* CDocTemplate::CreateNewFrame(CDocument* doc) {
    CMDIChildWnd* frame = m_createFrame();
    CView* view = m_createView();
    frame->SetView(view, this);
    doc->AddView(view);
    AfxGetMainWnd()->AddChildFrame(frame);
    // Every window of the document gets its ":n" suffix.
    for (CView* each : doc->GetViews())
        each->GetParentFrame()->OnUpdateFrameTitle();
    return frame;
}

void CDocTemplate::OnViewClosed(CView* view) {
    CDocument* doc = view->GetDocument();
    if (!doc) return;
    doc->RemoveView(view);
    if (doc->GetViews().empty())
        RemoveDocument(doc);
    else
        for (CView* other : doc->GetViews())
            other->GetParentFrame()->OnUpdateFrameTitle();
}

void CDocTemplate::CloseAllDocuments() {
    while (!m_documents.empty()) {
        CDocument* doc = m_documents.back().get();
        if (doc->GetViews().empty())
            RemoveDocument(doc);
        else
            doc->OnCloseDocument();
    }
}

CDocument* CDocTemplate::AddDocument(std::unique_ptr<CDocument> doc) {
    doc->m_pDocTemplate = this;
    m_documents.push_back(std::move(doc));
    return m_documents.back().get();
}

void CDocTemplate::RemoveDocument(CDocument* doc) {
    std::erase_if(m_documents, [doc](const auto& d) { return d.get() == doc; });
}

// CDocTemplate: creates documents together with their frames and views,
// owns the open documents, numbers new ones ("Torvx1", "Torvx2", ...) and
// finds a document already open on a file.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/WinTypes.h"

class CDocument;
class CMDIChildWnd;
class CMDIFrameWnd;
class CView;

class CDocTemplate {
public:
    using DocumentFactory = std::function<std::unique_ptr<CDocument>()>;
    using FrameFactory = std::function<CMDIChildWnd*()>;
    using ViewFactory = std::function<CView*()>;

    // resourceId names the menu shown while one of its documents is active and
    // the description string ("\nTorvx\n...": its second field names new documents).
    CDocTemplate(UINT resourceId, DocumentFactory doc, FrameFactory frame, ViewFactory view);
    ~CDocTemplate();

    UINT GetResourceId() const { return m_resourceId; }
    // Opens a file in a new document window, or an empty new document when
    // path is empty. Returns the document, or null when it failed (its window
    // is closed again). A file that is already open only activates its window.
    CDocument* OpenDocumentFile(const QString& path);
    // A further frame and view on an open document.
    CMDIChildWnd* CreateNewFrame(CDocument* doc);
    // Called by a frame's view when it goes; destroys a document left without views.
    void OnViewClosed(CView* view);

    const std::vector<std::unique_ptr<CDocument>>& GetDocuments() const { return m_documents; }
    CDocument* FindOpenDocument(const QString& path) const;
    void CloseAllDocuments();

private:
    CDocument* AddDocument(std::unique_ptr<CDocument> doc);
    void RemoveDocument(CDocument* doc);

    UINT m_resourceId;
    DocumentFactory m_createDocument;
    FrameFactory m_createFrame;
    ViewFactory m_createView;
    std::vector<std::unique_ptr<CDocument>> m_documents;
    int m_nUntitledCount = 0;
};

// CDocument: the data behind one or more views. It handles the file
// commands that concern it (save, save as, close) and keeps its title and
// path; the document template creates and destroys it.
#pragma once

#include <QString>
#include <vector>

#include "app/framework/CmdTarget.h"

class CDocTemplate;
class CView;

class CDocument : public CCmdTarget {
public:
    CDocument();
    ~CDocument() override;
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;

    const QString& GetTitle() const { return m_strTitle; }
    void SetTitle(const QString& title);
    const QString& GetPathName() const { return m_strPathName; }
    // Records the document's file; the title becomes the file name.
    void SetPathName(const QString& path, bool addToMRU = true);
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }

    const std::vector<CView*>& GetViews() const { return m_views; }
    void AddView(CView* view);
    void RemoveView(CView* view);
    // Asks every view but the sender to repaint.
    void UpdateAllViews(CView* sender);

    virtual bool OnNewDocument() { return true; }
    virtual bool OnOpenDocument(const QString& path) = 0;
    virtual bool OnSaveDocument(const QString& path) = 0;
    // Closes every window of the document, which destroys it.
    virtual void OnCloseDocument();
    // Saves to path, asking for a name first when path is empty.
    bool DoSave(const QString& path);

private:
    friend class CDocTemplate;
    void OnFileSave();
    void OnFileSaveAs();

    QString m_strTitle;
    QString m_strPathName;
    CDocTemplate* m_pDocTemplate = nullptr;
    std::vector<CView*> m_views;
};

// CWinApp: the application object. It holds the application's resources,
// owns the document template and the main window, keeps the settings and the
// recent-file list (QSettings under the registry key and the application
// title), opens documents, asks for file names, and handles the
// application-level commands.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "app/framework/CmdTarget.h"

class CDocTemplate;
class CDocument;
class CMDIFrameWnd;
class CResourceProvider;
class QPrinter;

// What the command line asks for at start-up.
struct CCommandLineInfo {
    enum Shell { FileNew, FileOpen, FileNothing };
    Shell m_nShellCommand = FileNew;
    QString m_strFileName;
};

class CWinApp : public CCmdTarget {
public:
    // The resources outlive the application; its title is string AFX_IDS_APP_TITLE.
    explicit CWinApp(const CResourceProvider& resources);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual bool InitInstance() = 0;
    // Closes every document and the main window.
    virtual int ExitInstance();

    CMDIFrameWnd* GetMainWnd() const { return m_pMainWnd.get(); }
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate.get(); }
    CDocument* OpenDocumentFile(const QString& path);
    void CloseAllDocuments();

    const QString& GetAppName() const { return m_appName; }
    const CResourceProvider& GetResources() const { return m_resources; }
    void SetRegistryKey(const QString& key);
    void LoadStdProfileSettings(int maxRecentFiles);
    void AddToRecentFileList(const QString& path);
    QStringList GetRecentFiles() const { return m_recentFiles; }

    // Asks for a file name to open or to save as (empty when cancelled). Tests
    // may replace the dialog through SetFileDialogHook.
    QString DoPromptFileName(const QString& defaultName, bool open);
    using FileDialogHook = std::function<QString(const QString& defaultName, bool open)>;
    static void SetFileDialogHook(FileDialogHook hook);

    // The printer that print setup configures and printing uses.
    QPrinter& GetPrinter();

    // The first argument that is not an option names a file to open.
    static void ParseCommandLine(const QStringList& args, CCommandLineInfo& info);
    bool ProcessShellCommand(const CCommandLineInfo& info);

protected:
    void SetMainWnd(std::unique_ptr<CMDIFrameWnd> frame);
    void AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate);

    void OnFileNew();
    void OnFileOpen();
    void OnFilePrintSetup();

private:
    void SaveRecentFiles() const;
    void OnOpenRecentFile(UINT id);

    const CResourceProvider& m_resources;
    QString m_appName;
    QString m_registryKey;
    int m_maxRecentFiles = 0;
    QStringList m_recentFiles;
    std::unique_ptr<CDocTemplate> m_pDocTemplate;
    std::unique_ptr<CMDIFrameWnd> m_pMainWnd;
    std::unique_ptr<QPrinter> m_pPrinter;
};

CWinApp* AfxGetApp();
CMDIFrameWnd* AfxGetMainWnd();
// The resources of the running application.
const CResourceProvider& AfxGetResources();

#include "app/framework/WinApp.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QSettings>

#include "app/framework/DocTemplate.h"
#include "app/framework/Document.h"
#include "app/framework/FrameworkIds.h"
#include "app/framework/MDIFrameWnd.h"
#include "app/framework/ResourceProvider.h"

namespace {

CWinApp* g_app = nullptr;

CWinApp::FileDialogHook& FileHook() {
    static CWinApp::FileDialogHook hook;
    return hook;
}

const char* const kRecentGroup = "Recent File List";

} // namespace

CWinApp* AfxGetApp() {
    return g_app;
}

CMDIFrameWnd* AfxGetMainWnd() {
    return g_app ? g_app->GetMainWnd() : nullptr;
}

const CResourceProvider& AfxGetResources() {
    return g_app->GetResources();
}

CWinApp::CWinApp(const CResourceProvider& resources)
    : m_resources(resources), m_appName(resources.LoadString(AFX_IDS_APP_TITLE)) {
    g_app = this;
    OnCommand(ID_APP_EXIT, [this] {
        if (m_pMainWnd) m_pMainWnd->close();
    });
    OnCommandRange(ID_FILE_MRU_FILE1, ID_FILE_MRU_LAST, [this](UINT id) { OnOpenRecentFile(id); });
}

CWinApp::~CWinApp() {
    ExitInstance();
    if (g_app == this) g_app = nullptr;
}

int CWinApp::ExitInstance() {
    CloseAllDocuments();
    m_pMainWnd.reset();
    return 0;
}

void CWinApp::SetMainWnd(std::unique_ptr<CMDIFrameWnd> frame) {
    m_pMainWnd = std::move(frame);
}

void CWinApp::AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate) {
    m_pDocTemplate = std::move(docTemplate);
}

CDocument* CWinApp::OpenDocumentFile(const QString& path) {
    return m_pDocTemplate ? m_pDocTemplate->OpenDocumentFile(path) : nullptr;
}

void CWinApp::CloseAllDocuments() {
    if (m_pDocTemplate) m_pDocTemplate->CloseAllDocuments();
}

void CWinApp::SetRegistryKey(const QString& key) {
    m_registryKey = key;
}

void CWinApp::LoadStdProfileSettings(int maxRecentFiles) {
    m_maxRecentFiles = maxRecentFiles;
    QSettings settings(m_registryKey, m_appName);
    settings.beginGroup(kRecentGroup);
    m_recentFiles.clear();
    for (int i = 1; i <= maxRecentFiles; ++i) {
        const QString file = settings.value(QString("File%1").arg(i)).toString();
        if (!file.isEmpty()) m_recentFiles.append(file);
    }
}

void CWinApp::SaveRecentFiles() const {
    QSettings settings(m_registryKey, m_appName);
    settings.remove(kRecentGroup);
    settings.beginGroup(kRecentGroup);
    for (int i = 0; i < m_recentFiles.size(); ++i)
        settings.setValue(QString("File%1").arg(i + 1), m_recentFiles[i]);
}

void CWinApp::AddToRecentFileList(const QString& path) {
    if (m_maxRecentFiles <= 0) return;
    const QString full = QFileInfo(path).absoluteFilePath();
    m_recentFiles.removeAll(full);
    m_recentFiles.prepend(full);
    while (m_recentFiles.size() > m_maxRecentFiles)
        m_recentFiles.removeLast();
    SaveRecentFiles();
}

void CWinApp::OnOpenRecentFile(UINT id) {
    const int index = static_cast<int>(id - ID_FILE_MRU_FILE1);
    if (index >= m_recentFiles.size()) return;
    const QString path = m_recentFiles[index];
    if (!OpenDocumentFile(path)) {
        // A file that can no longer be opened leaves the list.
        m_recentFiles.removeAll(path);
        SaveRecentFiles();
    }
}

void CWinApp::SetFileDialogHook(FileDialogHook hook) {
    FileHook() = std::move(hook);
}

QString CWinApp::DoPromptFileName(const QString& defaultName, bool open) {
    if (FileHook()) return FileHook()(defaultName, open);
    const QString filter = QString::fromUtf8("所有文件 (*)");
    if (open)
        return QFileDialog::getOpenFileName(m_pMainWnd.get(), QString::fromUtf8("打开"), QString(),
                                            filter);
    return QFileDialog::getSaveFileName(m_pMainWnd.get(), QString::fromUtf8("另存为"), defaultName,
                                        filter);
}

QPrinter& CWinApp::GetPrinter() {
    if (!m_pPrinter) m_pPrinter = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
    return *m_pPrinter;
}

void CWinApp::ParseCommandLine(const QStringList& args, CCommandLineInfo& info) {
    for (int i = 1; i < args.size(); ++i) {
        if (args[i].startsWith('-')) continue;
        info.m_nShellCommand = CCommandLineInfo::FileOpen;
        info.m_strFileName = args[i];
        return;
    }
}

bool CWinApp::ProcessShellCommand(const CCommandLineInfo& info) {
    switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
        return OpenDocumentFile(QString()) != nullptr;
    case CCommandLineInfo::FileOpen:
        return OpenDocumentFile(info.m_strFileName) != nullptr;
    case CCommandLineInfo::FileNothing:
        return true;
    }
    return false;
}

void CWinApp::OnFileNew() {
    OpenDocumentFile(QString());
}

void CWinApp::OnFileOpen() {
    const QString path = DoPromptFileName(QString(), true);
    if (!path.isEmpty()) OpenDocumentFile(path);
}

void CWinApp::OnFilePrintSetup() {
    QPageSetupDialog dialog(&GetPrinter(), m_pMainWnd.get());
    dialog.exec();
}

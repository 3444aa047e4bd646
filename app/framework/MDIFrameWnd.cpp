#include "app/framework/MDIFrameWnd.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

#include "app/framework/DocTemplate.h"
#include "app/framework/Document.h"
#include "app/framework/FrameworkIds.h"
#include "app/framework/KeyboardState.h"
#include "app/framework/MDIChildWnd.h"
#include "app/framework/ResourceProvider.h"
#include "app/framework/View.h"
#include "app/framework/WinApp.h"

namespace {

bool IsRecentFile(UINT id) {
    return id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_LAST;
}

bool IsLockKeyEvent(const QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock;
}

} // namespace

CMDIFrameWnd::CMDIFrameWnd() : m_pMdiArea(new QMdiArea(this)) {
    setCentralWidget(m_pMdiArea);
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, [this] { OnChildActivated(); });
    OnCommand(ID_WINDOW_CASCADE, [this] { m_pMdiArea->cascadeSubWindows(); });
    OnCommand(ID_WINDOW_TILE_HORZ, [this] { m_pMdiArea->tileSubWindows(); });
    OnCommand(ID_WINDOW_ARRANGE, [this] { ArrangeIcons(); });
    OnCommand(ID_WINDOW_NEW, [this] {
        CView* view = GetActiveView();
        CDocument* doc = view ? view->GetDocument() : nullptr;
        if (doc) doc->GetDocTemplate()->CreateNewFrame(doc)->InitialUpdateFrame();
    });
    OnCommand(ID_VIEW_TOOLBAR, [this] { m_pToolBar->setVisible(!m_pToolBar->isVisible()); });
    OnUpdateCommandUI(ID_VIEW_TOOLBAR,
                      [this](CCmdUI& ui) { ui.SetCheck(m_pToolBar && m_pToolBar->isVisible()); });
    OnCommand(ID_VIEW_STATUS_BAR, [this] { statusBar()->setVisible(!statusBar()->isVisible()); });
    OnUpdateCommandUI(ID_VIEW_STATUS_BAR,
                      [this](CCmdUI& ui) { ui.SetCheck(statusBar()->isVisible()); });
    // Lock keys may be pressed in any of the program's windows; the bars'
    // visibility is watched there too.
    qApp->installEventFilter(this);
}

CMDIFrameWnd::~CMDIFrameWnd() {
    qApp->removeEventFilter(this);
}

QAction* CMDIFrameWnd::MakeAction(UINT id, const QString& text) {
    auto it = m_actions.find(id);
    if (it != m_actions.end()) return it->second;
    auto* action = new QAction(text, this);
    const CResourceProvider& resources = AfxGetResources();
    action->setStatusTip(resources.CommandPrompt(id));
    const QString tooltip = resources.CommandTooltip(id);
    action->setToolTip(tooltip.isEmpty() ? text : tooltip);
    action->setCheckable(id == ID_VIEW_TOOLBAR || id == ID_VIEW_STATUS_BAR);
    QList<QKeySequence> keys;
    for (const AcceleratorResource& acc : resources.LoadAccelerators(m_frameMenu)) {
        if (acc.id == id) keys.append(QKeySequence(QString::fromLatin1(acc.keys)));
    }
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action); // accelerators work whichever menu is shown
    connect(action, &QAction::triggered, this, [this, id] { OnCommandId(id); });
    m_actions[id] = action;
    return action;
}

void CMDIFrameWnd::BuildMenu(UINT resourceId) {
    std::vector<QMenu*>& popups = m_menuSets[resourceId];
    for (const PopupResource& popup : AfxGetResources().LoadMenu(resourceId)) {
        auto* menu = new QMenu(QString::fromUtf8(popup.title), this);
        for (const MenuItemResource& item : popup.items) {
            if (!item.text) {
                menu->addSeparator();
                continue;
            }
            const QString text = QString::fromUtf8(item.text);
            if (IsRecentFile(item.id)) {
                // The recent-file list replaces this placeholder when the menu opens.
                auto* placeholder = menu->addAction(text);
                placeholder->setEnabled(false);
                m_listed[menu] = {placeholder};
                connect(menu, &QMenu::aboutToShow, this,
                        [this, menu, text] { RefreshRecentFiles(menu, text); });
                continue;
            }
            menu->addAction(MakeAction(item.id, text));
            if (item.id == ID_WINDOW_NEW)
                connect(menu, &QMenu::aboutToShow, this, [this, menu] { RefreshWindowList(menu); });
        }
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommandUI(); });
        popups.push_back(menu);
    }
}

bool CMDIFrameWnd::LoadFrame(UINT resourceId) {
    m_frameMenu = resourceId;
    setWindowTitle(AfxGetResources().LoadString(resourceId));
    setWindowIcon(AfxGetResources().LoadIcon(resourceId));
    for (UINT id : {ID_NEXT_PANE, ID_PREV_PANE})
        MakeAction(id, QString());
    BuildMenu(resourceId);
    if (OnCreate() == -1) return false;
    ShowMenu(resourceId);
    UpdateCommandUI();
    return true;
}

void CMDIFrameWnd::ShowMenu(UINT resourceId) {
    if (m_menuSets.find(resourceId) == m_menuSets.end()) BuildMenu(resourceId);
    if (resourceId == m_shownMenu) return;
    menuBar()->clear();
    for (QMenu* menu : m_menuSets[resourceId])
        menuBar()->addMenu(menu);
    m_shownMenu = resourceId;
}

bool CMDIFrameWnd::CreateToolBar(UINT resourceId) {
    const CResourceProvider& resources = AfxGetResources();
    m_pToolBar = addToolBar(QString());
    m_pToolBar->setObjectName("toolbar");
    m_pToolBar->setIconSize(QSize(16, 15));
    for (UINT id : resources.LoadToolBar(resourceId)) {
        if (id == 0) {
            m_pToolBar->addSeparator();
            continue;
        }
        QAction* action = MakeAction(id, resources.CommandTooltip(id));
        action->setIcon(resources.LoadToolBarImage(resourceId, id));
        m_pToolBar->addAction(action);
    }
    return true;
}

bool CMDIFrameWnd::CreateStatusBar(const std::vector<UINT>& indicators) {
    const CResourceProvider& resources = AfxGetResources();
    for (UINT id : indicators) {
        if (id == 0) {
            m_pIdleText = new QLabel(resources.LoadString(AFX_IDS_IDLEMESSAGE), this);
            statusBar()->addWidget(m_pIdleText, 1);
            continue;
        }
        auto* label = new QLabel(resources.LoadString(id), this);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setEnabled(false);
        statusBar()->addPermanentWidget(label);
        m_indicators[id] = label;
    }
    UpdateIndicators();
    return true;
}

void CMDIFrameWnd::UpdateIndicators() {
    for (auto& [id, label] : m_indicators) {
        bool on = false;
        label->setEnabled(QueryLockKey(id, on) && on);
    }
}

bool CMDIFrameWnd::eventFilter(QObject* watched, QEvent* event) {
    if (IsLockKeyEvent(event)) UpdateIndicators();
    // The bars appear with the frame, and the toolbar's context menu hides it
    // without a command: their check marks follow.
    const bool shownOrHidden = event->type() == QEvent::Show || event->type() == QEvent::Hide;
    if (shownOrHidden && (watched == m_pToolBar || watched == statusBar())) UpdateCommandUI();
    return QMainWindow::eventFilter(watched, event);
}

void CMDIFrameWnd::changeEvent(QEvent* event) {
    // Another program may have switched a lock key while this one was in the background.
    if (event->type() == QEvent::ActivationChange) UpdateIndicators();
    QMainWindow::changeEvent(event);
}

void CMDIFrameWnd::RefreshRecentFiles(QMenu* menu, const QString& placeholderText) {
    std::vector<QAction*>& listed = m_listed[menu];
    QAction* before = listed.empty() ? nullptr : listed.back();
    // Insert after the last listed entry, then drop the old entries.
    const auto actions = menu->actions();
    const int at = static_cast<int>(actions.indexOf(before));
    QAction* next = at >= 0 && at + 1 < actions.size() ? actions[at + 1] : nullptr;
    for (QAction* a : listed)
        menu->removeAction(a);
    listed.clear();
    const QStringList files = AfxGetApp()->GetRecentFiles();
    if (files.isEmpty()) {
        auto* placeholder = new QAction(placeholderText, menu);
        placeholder->setEnabled(false);
        menu->insertAction(next, placeholder);
        listed.push_back(placeholder);
        return;
    }
    for (int i = 0; i < files.size(); ++i) {
        const UINT id = ID_FILE_MRU_FILE1 + static_cast<UINT>(i);
        QAction* action = MakeAction(id, QString());
        action->setText(QString("&%1 %2").arg(i + 1).arg(files[i]));
        menu->insertAction(next, action);
        listed.push_back(action);
    }
}

void CMDIFrameWnd::RefreshWindowList(QMenu* menu) {
    std::vector<QAction*>& listed = m_listed[menu];
    for (QAction* a : listed) {
        menu->removeAction(a);
        a->deleteLater();
    }
    listed.clear();
    const auto windows = m_pMdiArea->subWindowList();
    if (windows.isEmpty()) return;
    listed.push_back(menu->addSeparator());
    for (int i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* w = windows[i];
        QAction* a = menu->addAction(QString("&%1 %2").arg(i + 1).arg(w->windowTitle()));
        a->setCheckable(true);
        a->setChecked(w == m_pMdiArea->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, w] { m_pMdiArea->setActiveSubWindow(w); });
        listed.push_back(a);
    }
}

void CMDIFrameWnd::ArrangeIcons() {
    // Minimised windows line up from the bottom-left corner of the client area.
    int x = 0;
    for (QMdiSubWindow* w : m_pMdiArea->subWindowList()) {
        if (!w->isMinimized()) continue;
        w->move(x, m_pMdiArea->viewport()->height() - w->height());
        x += w->width();
    }
}

void CMDIFrameWnd::AddChildFrame(CMDIChildWnd* frame) {
    m_pMdiArea->addSubWindow(frame);
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive() const {
    // The current window stays the target while a dialog has the focus.
    return dynamic_cast<CMDIChildWnd*>(m_pMdiArea->currentSubWindow());
}

CView* CMDIFrameWnd::GetActiveView() const {
    CMDIChildWnd* child = MDIGetActive();
    return child ? child->GetActiveView() : nullptr;
}

namespace {

// The route of a command: active view, its document, its frame, the main frame, the application.
std::vector<CCmdTarget*> Route(const CMDIFrameWnd* main, CMDIChildWnd* child, CView* view) {
    std::vector<CCmdTarget*> route;
    if (view) route.push_back(view);
    if (view && view->GetDocument()) route.push_back(view->GetDocument());
    if (child) route.push_back(child);
    route.push_back(const_cast<CMDIFrameWnd*>(main));
    if (AfxGetApp()) route.push_back(AfxGetApp());
    return route;
}

} // namespace

bool CMDIFrameWnd::OnCommandId(UINT id) {
    for (CCmdTarget* target : Route(this, MDIGetActive(), GetActiveView())) {
        if (target->ExecuteCommand(id)) {
            // The command may have closed this frame's last window; update later.
            QTimer::singleShot(0, this, [this] { UpdateCommandUI(); });
            return true;
        }
    }
    return false;
}

CCmdUI CMDIFrameWnd::QueryCommand(UINT id) const {
    CCmdUI ui;
    ui.id = id;
    for (const CCmdTarget* target : Route(this, MDIGetActive(), GetActiveView())) {
        if (target->UpdateCommand(ui)) return ui;
    }
    ui.enabled = false;
    return ui;
}

QAction* CMDIFrameWnd::GetAction(UINT id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMDIFrameWnd::UpdateCommandUI() {
    for (auto& [id, action] : m_actions) {
        const CCmdUI ui = QueryCommand(id);
        action->setEnabled(ui.enabled);
        if (action->isCheckable()) action->setChecked(ui.checked);
    }
}

void CMDIFrameWnd::OnChildActivated() {
    CView* view = GetActiveView();
    CDocument* doc = view ? view->GetDocument() : nullptr;
    ShowMenu(doc ? doc->GetDocTemplate()->GetResourceId() : m_frameMenu);
    OnUpdateFrameTitle();
    UpdateCommandUI();
}

void CMDIFrameWnd::OnUpdateFrameTitle() {
    const QString app = AfxGetResources().LoadString(m_frameMenu);
    CMDIChildWnd* child = MDIGetActive();
    setWindowTitle(child ? app + " - [" + child->windowTitle() + "]" : app);
}

void CMDIFrameWnd::closeEvent(QCloseEvent* event) {
    AfxGetApp()->CloseAllDocuments();
    QMainWindow::closeEvent(event);
}

// CMDIFrameWnd: the main window. It holds the document windows, builds every
// command's action in one place, routes commands to the active view, its
// document, its frame, itself and the application, and enables exactly the
// commands someone on that route handles. It shows its own menu while no
// document window is active and the document template's menu otherwise;
// menus, accelerators, toolbar and texts come from the application's
// resources. The actions' state is brought up to date when the active
// window changes, after every command and when the toolbar or the status
// bar is shown or hidden, and menus refresh it as they open; the lock-key
// indicators follow the lock keys and the frame's activation.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QToolBar>
#include <map>

#include "app/framework/CmdTarget.h"

class CMDIChildWnd;
class CView;

class CMDIFrameWnd : public QMainWindow, public CCmdTarget {
    Q_OBJECT
public:
    CMDIFrameWnd();
    ~CMDIFrameWnd() override;

    // Builds the actions, menus and accelerators; false when that fails.
    bool LoadFrame(UINT resourceId);
    void AddChildFrame(CMDIChildWnd* frame);
    CMDIChildWnd* MDIGetActive() const;
    CView* GetActiveView() const;
    QMdiArea* MdiArea() const { return m_pMdiArea; }

    // Runs a command along the route; false when nobody handles it.
    bool OnCommandId(UINT id);
    // The state of a command along the route (disabled when nobody handles it).
    CCmdUI QueryCommand(UINT id) const;
    QAction* GetAction(UINT id) const;
    // Re-evaluates every action's enabled and checked state.
    void UpdateCommandUI();
    void OnUpdateFrameTitle();

protected:
    // Creates the toolbar and status bar; -1 stops the frame from loading.
    virtual int OnCreate() { return 0; }
    bool CreateToolBar(UINT resourceId);
    bool CreateStatusBar(const std::vector<UINT>& indicators);
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* MakeAction(UINT id, const QString& text);
    void BuildMenu(UINT resourceId);
    void ShowMenu(UINT resourceId);
    void RefreshRecentFiles(QMenu* menu, const QString& placeholderText);
    void RefreshWindowList(QMenu* menu);
    void OnChildActivated();
    void ArrangeIcons();
    void UpdateIndicators();

    QMdiArea* m_pMdiArea;
    QToolBar* m_pToolBar = nullptr;
    QLabel* m_pIdleText = nullptr;
    std::map<UINT, QLabel*> m_indicators;
    std::map<UINT, QAction*> m_actions;
    std::map<UINT, std::vector<QMenu*>> m_menuSets;   // the popups of each menu resource
    std::map<QMenu*, std::vector<QAction*>> m_listed; // recent files or windows shown in a popup
    UINT m_frameMenu = 0;
    UINT m_shownMenu = 0;
};

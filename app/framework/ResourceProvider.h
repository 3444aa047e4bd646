// CResourceProvider: the application's user-interface resources as the
// framework asks for them by id: menus, accelerator tables, toolbars and
// their button images, icons and the string table. The application
// implements it and hands it to its CWinApp; the frame, the document
// template and the status bar build their widgets from it.
#pragma once

#include <QIcon>
#include <QString>
#include <vector>

#include "platform/WinTypes.h"

struct MenuItemResource {
    const char* text; // UTF-8; null for a separator
    UINT id;
};

struct PopupResource {
    const char* title;
    std::vector<MenuItemResource> items;
};

struct AcceleratorResource {
    const char* keys; // in QKeySequence's portable form
    UINT id;
};

class CResourceProvider {
public:
    virtual ~CResourceProvider() = default;

    // The popups of a menu, in order (empty when there is no such menu).
    virtual const std::vector<PopupResource>& LoadMenu(UINT id) const = 0;
    virtual const std::vector<AcceleratorResource>& LoadAccelerators(UINT id) const = 0;
    // The buttons of a toolbar: command ids in order, 0 for a separator.
    virtual const std::vector<UINT>& LoadToolBar(UINT id) const = 0;
    // The image of one button of a toolbar.
    virtual QIcon LoadToolBarImage(UINT toolbarId, UINT commandId) const = 0;
    virtual QIcon LoadIcon(UINT id) const = 0;
    // A string table entry (empty when there is none).
    virtual QString LoadString(UINT id) const = 0;

    // A command's string is "status-bar prompt\ntooltip"; either may be empty.
    QString CommandPrompt(UINT id) const { return LoadString(id).section('\n', 0, 0); }
    QString CommandTooltip(UINT id) const { return LoadString(id).section('\n', 1, 1); }
};

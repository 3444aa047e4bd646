// The workbench's user-interface resources: menus, accelerators, toolbar and
// string table, as data the frame builds its widgets from.
#pragma once

#include <QString>
#include <vector>

#include "platform/WinTypes.h"

struct MenuItemResource {
    const char* text; // null for a separator
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

// Menu 128 (no document open) or 129 (a document window active).
const std::vector<PopupResource>& MenuResource(UINT id);
// Accelerator table 128.
const std::vector<AcceleratorResource>& AcceleratorTable();
// Toolbar 128: command ids in order, 0 for a separator.
const std::vector<UINT>& ToolbarButtons();
// A string table entry; command prompts are "status text\ntooltip".
QString LoadString(UINT id);
// The status-bar prompt and the tooltip of a command (empty when it has none).
QString CommandPrompt(UINT id);
QString CommandTooltip(UINT id);

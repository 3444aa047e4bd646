// The workbench's icons, drawn in code: the toolbar buttons (16 x 15) and
// the application icon.
#pragma once

#include <QIcon>

#include "platform/WinTypes.h"

QIcon ToolbarIcon(UINT commandId);
QIcon ApplicationIcon();

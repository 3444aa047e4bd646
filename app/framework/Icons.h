// The workbench's icons, drawn in code: toolbar buttons (16 x 15) and the
// application and document icons.
#pragma once

#include <QIcon>

#include "platform/WinTypes.h"

QIcon ToolbarIcon(UINT commandId);
QIcon ApplicationIcon();

// The application icon: a grid bent by a warp, with a control pair over it.
// One drawing serves the window icon and the desktop's icon files.
#pragma once

#include <QImage>

// The icon drawn into a transparent size x size image (designed at 32 x 32,
// scaled for other sizes).
QImage PaintApplicationIcon(int size);

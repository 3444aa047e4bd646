#include "app/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "app/AppIcon.h"
#include "app/Resource.h"

namespace {

// A toolbar button's image.
QPixmap Canvas() {
    QPixmap pixmap(16, 15);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void DrawPage(QPainter& p) {
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({{3, 1}, {10, 1}, {13, 4}, {13, 14}, {3, 14}}));
    p.drawLine(10, 1, 10, 4);
    p.drawLine(10, 4, 13, 4);
}

void DrawFolder(QPainter& p) {
    p.setPen(Qt::black);
    p.setBrush(QColor(255, 214, 92));
    p.drawRect(1, 4, 13, 9);
    p.drawRect(1, 2, 5, 2);
}

void DrawDisk(QPainter& p) {
    p.setPen(Qt::black);
    p.setBrush(QColor(70, 90, 170));
    p.drawRect(1, 1, 13, 13);
    p.setBrush(Qt::white);
    p.drawRect(4, 1, 7, 5);
    p.drawRect(3, 9, 9, 5);
}

void DrawScissors(QPainter& p) {
    p.setPen(Qt::black);
    p.drawLine(4, 1, 10, 10);
    p.drawLine(11, 1, 5, 10);
    p.drawEllipse(2, 9, 4, 4);
    p.drawEllipse(9, 9, 4, 4);
}

void DrawPages(QPainter& p) {
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(1, 1, 8, 9);
    p.drawRect(6, 5, 8, 9);
}

void DrawClipboard(QPainter& p) {
    p.setPen(Qt::black);
    p.setBrush(QColor(190, 140, 80));
    p.drawRect(2, 2, 10, 12);
    p.setBrush(Qt::white);
    p.drawRect(7, 6, 7, 8);
    p.drawRect(5, 1, 4, 2);
}

void DrawPrinter(QPainter& p) {
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(4, 1, 8, 5);
    p.setBrush(QColor(160, 160, 160));
    p.drawRect(1, 6, 14, 6);
    p.setBrush(Qt::white);
    p.drawRect(4, 10, 8, 4);
}

void DrawHelp(QPainter& p) {
    p.setPen(QPen(QColor(0, 0, 160), 2));
    QPainterPath path;
    path.moveTo(5, 5);
    path.cubicTo(5, 1, 12, 1, 12, 5);
    path.cubicTo(12, 8, 8, 7, 8, 10);
    p.drawPath(path);
    p.drawPoint(8, 13);
}

} // namespace

QIcon ToolbarIcon(UINT commandId) {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    switch (commandId) {
    case ID_FILE_NEW:
        DrawPage(p);
        break;
    case ID_FILE_OPEN:
        DrawFolder(p);
        break;
    case ID_FILE_SAVE:
        DrawDisk(p);
        break;
    case ID_EDIT_CUT:
        DrawScissors(p);
        break;
    case ID_EDIT_COPY:
        DrawPages(p);
        break;
    case ID_EDIT_PASTE:
        DrawClipboard(p);
        break;
    case ID_FILE_PRINT:
        DrawPrinter(p);
        break;
    case ID_APP_ABOUT:
        DrawHelp(p);
        break;
    default:
        break;
    }
    return QIcon(pixmap);
}

QIcon ApplicationIcon() {
    return QIcon(QPixmap::fromImage(PaintApplicationIcon(32)));
}

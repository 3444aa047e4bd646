#include "app/framework/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "app/Resource.h"

namespace {

QPixmap Canvas(int w = 16, int h = 15) {
    QPixmap pixmap(w, h);
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
    // A grid bent by a warp, with a control pair over it.
    QPixmap pixmap = Canvas(32, 32);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::white);
    p.setPen(Qt::black);
    p.drawRect(1, 1, 30, 30);
    p.setPen(QColor(0, 110, 200));
    for (int i = 8; i < 32; i += 8) {
        QPainterPath h, v;
        h.moveTo(2, i);
        h.quadTo(16, i + (i == 16 ? 6 : 3), 30, i);
        v.moveTo(i, 2);
        v.quadTo(i + (i == 16 ? 6 : 3), 16, i, 30);
        p.drawPath(h);
        p.drawPath(v);
    }
    p.setPen(QPen(Qt::green, 1));
    p.drawLine(10, 12, 20, 20);
    p.setPen(QPen(Qt::red, 2));
    p.drawLine(7, 12, 13, 12);
    p.drawLine(10, 9, 10, 15);
    p.setPen(QPen(Qt::blue, 2));
    p.drawLine(17, 20, 23, 20);
    p.drawLine(20, 17, 20, 23);
    return QIcon(pixmap);
}

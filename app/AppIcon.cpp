#include "app/AppIcon.h"

#include <QPainter>
#include <QPainterPath>

QImage PaintApplicationIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
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
    return image;
}

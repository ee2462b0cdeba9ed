#include "ui/Icons.h"

#include <QPainter>
#include <QPixmap>

namespace tovel {

namespace {

// A chip with pins and a pair of call parentheses on it.
QPixmap DrawChip(int size, QColor body, QColor mark)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 32.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(160, 160, 160));
    for (int i = 0; i < 4; ++i) {
        const qreal y = (7 + i * 5.5) * s;
        p.drawRect(QRectF(3 * s, y, 4 * s, 2.5 * s));
        p.drawRect(QRectF(25 * s, y, 4 * s, 2.5 * s));
    }
    p.setBrush(body);
    p.drawRoundedRect(QRectF(6 * s, 4 * s, 20 * s, 24 * s), 2.5 * s, 2.5 * s);
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawEllipse(QPointF(9.5 * s, 7.5 * s), 1.5 * s, 1.5 * s);
    QPen pen(mark, 2.2 * s, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(10 * s, 10 * s, 8 * s, 12 * s), 100 * 16, 160 * 16);
    p.drawArc(QRectF(14 * s, 10 * s, 8 * s, 12 * s), -80 * 16, 160 * 16);
    return pixmap;
}

} // namespace

QIcon LoadAppIcon(int resourceId)
{
    QIcon icon;
    const QColor body = resourceId == 129 ? QColor(30, 90, 60) : QColor(25, 60, 120);
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(DrawChip(size, body, QColor(250, 210, 60)));
    return icon;
}

} // namespace tovel

#include "platform/GroupBox.h"

#include <QPainter>
#include <QRegularExpression>
#include <QStyle>

namespace tovel {

void GroupBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QFontMetrics fm(font());
    const int textHeight = fm.height();
    const QRect frame = rect().adjusted(0, textHeight / 2, -1, -1);
    // An etched frame: a dark line with a light one beside it.
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(frame.adjusted(0, 0, -1, -1));
    p.setPen(palette().color(QPalette::Light));
    p.drawRect(frame.adjusted(1, 1, 0, 0));
    QString shown = title();
    shown.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    if (shown.isEmpty())
        return;
    const QRect textRect(6, 0, fm.horizontalAdvance(shown) + 4, textHeight);
    p.fillRect(textRect, palette().color(QPalette::Window));
    style()->drawItemText(&p, textRect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic,
                          palette(), isEnabled(), title(), QPalette::WindowText);
}

} // namespace tovel

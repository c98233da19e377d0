#include "EditGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace EditGlyphs {

QIcon dateEditGlyph()
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawRect(0, 1, 11, 10);
    painter.fillRect(1, 2, 10, 2, QColor(0, 0, 128));
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 4; ++column)
            painter.fillRect(2 + column * 2 + column / 2, 5 + row * 2, 1, 1, Qt::black);
    }
    painter.fillRect(8, 9, 2, 1, Qt::red);
    return QIcon(pixmap);
}

QIcon directoryEditGlyph()
{
    QPixmap pixmap(14, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(128, 128, 0));
    painter.setBrush(QColor(255, 255, 128));
    painter.drawRect(0, 2, 12, 9);
    painter.drawRect(0, 1, 5, 1);
    painter.setBrush(QColor(192, 192, 64));
    painter.drawRect(0, 4, 12, 7);
    return QIcon(pixmap);
}

QIcon stepGlyph(bool backward, int arrowCount)
{
    const int width = arrowCount == 2 ? 10 : 6;
    QPixmap pixmap(width, 9);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (int i = 0; i < arrowCount; ++i) {
        const int x = i * 4;
        QPainterPath path;
        if (backward) {
            path.moveTo(x + 4.5, 0);
            path.lineTo(x + 0.5, 4.5);
            path.lineTo(x + 4.5, 9);
        } else {
            path.moveTo(x + 0.5, 0);
            path.lineTo(x + 4.5, 4.5);
            path.lineTo(x + 0.5, 9);
        }
        path.closeSubpath();
        painter.drawPath(path);
    }
    return QIcon(pixmap);
}

} // namespace EditGlyphs

#include "ExportButtonPicture.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

QIcon exportButtonPicture()
{
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);

    // The sheet with its folded corner.
    QPainterPath sheet;
    sheet.moveTo(5, 2);
    sheet.lineTo(19, 2);
    sheet.lineTo(25, 8);
    sheet.lineTo(25, 29);
    sheet.lineTo(5, 29);
    sheet.closeSubpath();
    painter.setPen(QPen(QColor(64, 64, 64), 1));
    painter.setBrush(Qt::white);
    painter.drawPath(sheet);
    painter.drawPolyline(QPolygonF({QPointF(19, 2), QPointF(19, 8), QPointF(25, 8)}));
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    for (int y = 12; y <= 24; y += 4)
        painter.drawLine(8, y, 18, y);

    // The arrow, pointing out of the sheet to the right.
    QPainterPath arrow;
    arrow.moveTo(14, 15);
    arrow.lineTo(22, 15);
    arrow.lineTo(22, 10);
    arrow.lineTo(31, 18);
    arrow.lineTo(22, 26);
    arrow.lineTo(22, 21);
    arrow.lineTo(14, 21);
    arrow.closeSubpath();
    painter.setPen(QPen(QColor(0, 100, 0), 1));
    painter.setBrush(QColor(0, 160, 0));
    painter.drawPath(arrow);
    painter.end();
    return QIcon(picture);
}

#include "ExportButtonPicture.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// A closed outline through the corners.
QPainterPath outline(std::initializer_list<QPointF> corners)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(corners));
    path.closeSubpath();
    return path;
}

} // namespace

QIcon exportButtonPicture()
{
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);

    // The sheet with its folded corner.
    const QPainterPath sheet = outline({{5, 2}, {19, 2}, {25, 8}, {25, 29}, {5, 29}});
    painter.setPen(QPen(QColor(64, 64, 64), 1));
    painter.setBrush(Qt::white);
    painter.drawPath(sheet);
    painter.drawPolyline(QPolygonF({QPointF(19, 2), QPointF(19, 8), QPointF(25, 8)}));
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    for (int y = 12; y <= 24; y += 4)
        painter.drawLine(8, y, 18, y);

    // The arrow, pointing out of the sheet to the right.
    const QPainterPath arrow = outline({{14, 15}, {22, 15}, {22, 10}, {31, 18}, {22, 26}, {22, 21}, {14, 21}});
    painter.setPen(QPen(QColor(0, 100, 0), 1));
    painter.setBrush(QColor(0, 160, 0));
    painter.drawPath(arrow);
    painter.end();
    return QIcon(picture);
}

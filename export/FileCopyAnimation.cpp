#include "FileCopyAnimation.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr int frameIntervalMs = 60;

} // namespace

FileCopyAnimation::FileCopyAnimation(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    m_timer.setInterval(frameIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &FileCopyAnimation::advance);
}

void FileCopyAnimation::start()
{
    m_timer.start();
}

void FileCopyAnimation::stop()
{
    m_timer.stop();
}

void FileCopyAnimation::advance()
{
    m_frame = (m_frame + 1) % frameCount;
    update();
}

void FileCopyAnimation::paintFolder(QPainter &painter, QRectF box, bool open) const
{
    const QColor body(0xE8, 0xC0, 0x4A);
    const QColor edge(0x80, 0x60, 0x10);
    painter.setPen(QPen(edge, 1));
    QPainterPath tab;
    tab.moveTo(box.left(), box.top() + 4);
    tab.lineTo(box.left() + 3, box.top());
    tab.lineTo(box.left() + box.width() * 0.4, box.top());
    tab.lineTo(box.left() + box.width() * 0.4 + 3, box.top() + 4);
    tab.closeSubpath();
    painter.setBrush(body.darker(110));
    painter.drawPath(tab);
    painter.setBrush(body);
    const QRectF front = box.adjusted(0, 4, 0, 0);
    if (open) {
        QPolygonF flap;
        flap << QPointF(front.left() + 4, front.top() + 3) << QPointF(front.right() + 3, front.top() + 3)
             << front.bottomRight() << front.bottomLeft();
        painter.drawRect(front);
        painter.setBrush(body.lighter(115));
        painter.drawPolygon(flap);
    } else {
        painter.drawRect(front);
    }
}

void FileCopyAnimation::paintSheet(QPainter &painter, QPointF centre, qreal tilt) const
{
    painter.save();
    painter.translate(centre);
    painter.rotate(tilt);
    const QRectF sheet(-6, -8, 12, 16);
    painter.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    painter.setBrush(Qt::white);
    painter.drawRect(sheet);
    painter.setPen(QPen(QColor(0x30, 0x50, 0xB0), 1));
    for (int line = 0; line < 4; ++line) {
        const qreal y = sheet.top() + 4 + line * 3;
        painter.drawLine(QPointF(sheet.left() + 2, y), QPointF(sheet.right() - 2, y));
    }
    painter.restore();
}

void FileCopyAnimation::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal folderWidth = 36;
    const qreal folderHeight = 28;
    const qreal baseline = height() - 4;
    const QRectF source(16, baseline - folderHeight, folderWidth, folderHeight);
    const QRectF target(width() - 16 - folderWidth, baseline - folderHeight, folderWidth, folderHeight);
    paintFolder(painter, source, true);
    paintFolder(painter, target, true);

    // The sheet rises out of the left folder, flies in an arc and drops into
    // the right one; it turns once on the way.
    const qreal t = qreal(m_frame) / (frameCount - 1);
    const qreal startX = source.center().x();
    const qreal endX = target.center().x();
    const qreal x = startX + (endX - startX) * t;
    const qreal lowest = source.top() + 6;
    const qreal highest = 10;
    const qreal y = lowest - (lowest - highest) * std::sin(t * M_PI);
    paintSheet(painter, QPointF(x, y), 360.0 * t);
}

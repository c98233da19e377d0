#include "TMonthGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <qdrawutil.h>

namespace {

constexpr int columns = 7;
constexpr int rows = 7; // the header and six weeks

} // namespace

TMonthGrid::TMonthGrid(QWidget *parent) : QWidget(parent), m_date(QDate::currentDate())
{
    setFocusPolicy(Qt::NoFocus);
}

void TMonthGrid::setDate(QDate date)
{
    if (!date.isValid() || date == m_date)
        return;
    m_date = date;
    update();
    emit dateChanged(m_date);
}

void TMonthGrid::setWeek(const TCalendarWeek &week)
{
    m_week = week;
    update();
}

bool TMonthGrid::handleKey(const QKeyEvent *event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool keypad = event->modifiers() & Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_PageUp:
        ctrl ? prevYear() : prevMonth();
        return true;
    case Qt::Key_PageDown:
        ctrl ? nextYear() : nextMonth();
        return true;
    case Qt::Key_Left:
        setDate(m_date.addDays(-1));
        return true;
    case Qt::Key_Right:
        setDate(m_date.addDays(1));
        return true;
    case Qt::Key_Up:
        setDate(m_date.addDays(-7));
        return true;
    case Qt::Key_Down:
        setDate(m_date.addDays(7));
        return true;
    case Qt::Key_Minus:
        if (!keypad)
            return false;
        setDate(m_date.addDays(-1));
        return true;
    case Qt::Key_Plus:
        if (!keypad)
            return false;
        setDate(m_date.addDays(1));
        return true;
    case Qt::Key_T:
        goToToday();
        return true;
    default:
        return false;
    }
}

int TMonthGrid::firstColumn() const
{
    const QDate first(m_date.year(), m_date.month(), 1);
    return (first.dayOfWeek() - int(m_week.startOfWeek) + columns) % columns;
}

QRect TMonthGrid::cell(int row, int column) const
{
    const int left = column * width() / columns;
    const int right = (column + 1) * width() / columns;
    const int top = row * height() / rows;
    const int bottom = (row + 1) * height() / rows;
    return QRect(left, top, right - left, bottom - top);
}

QRect TMonthGrid::cellRect(QDate date) const
{
    if (date.year() != m_date.year() || date.month() != m_date.month())
        return {};
    const int index = firstColumn() + date.day() - 1;
    return cell(1 + index / columns, index % columns);
}

QDate TMonthGrid::dateAt(const QPoint &point) const
{
    if (!rect().contains(point))
        return {};
    const int column = point.x() * columns / qMax(1, width());
    const int row = point.y() * rows / qMax(1, height());
    if (row < 1)
        return {};
    const int day = (row - 1) * columns + column - firstColumn() + 1;
    if (day < 1 || day > m_date.daysInMonth())
        return {};
    return QDate(m_date.year(), m_date.month(), day);
}

QString TMonthGrid::dayName(int column) const
{
    const int day = (int(m_week.startOfWeek) - 1 + column) % columns + 1;
    QString name = locale().dayName(day, QLocale::ShortFormat);
    if (name.endsWith(u'.'))
        name.chop(1);
    return name;
}

void TMonthGrid::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette pal = palette();
    for (int column = 0; column < columns; ++column) {
        const QRect header = cell(0, column);
        painter.setPen(pal.color(QPalette::WindowText));
        painter.drawText(header, Qt::AlignCenter, dayName(column));
    }
    painter.setPen(pal.color(QPalette::Mid));
    painter.drawLine(0, cell(1, 0).top() - 1, width(), cell(1, 0).top() - 1);

    const QDate today = QDate::currentDate();
    for (int day = 1; day <= m_date.daysInMonth(); ++day) {
        const QDate date(m_date.year(), m_date.month(), day);
        const QRect box = cellRect(date);
        QColor textColor = pal.color(QPalette::WindowText);
        if (m_week.weekends.contains(Qt::DayOfWeek(date.dayOfWeek())))
            textColor = m_week.weekendColor;
        if (date == m_date) {
            painter.fillRect(box.adjusted(1, 1, -1, -1), pal.color(QPalette::Highlight));
            textColor = pal.color(QPalette::HighlightedText);
        }
        if (date == today)
            qDrawShadePanel(&painter, box, pal, false, 1);
        painter.setPen(textColor);
        painter.drawText(box, Qt::AlignCenter, QString::number(day));
    }
}

void TMonthGrid::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || event->modifiers() != Qt::NoModifier) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QDate date = dateAt(event->position().toPoint());
    if (!date.isValid())
        return;
    setDate(date);
    emit dayClicked(date);
}

void TMonthGrid::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LocaleChange)
        update();
    QWidget::changeEvent(event);
}

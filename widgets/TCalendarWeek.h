#pragma once

#include <QColor>
#include <QList>
#include <Qt>

// How a calendar lays out and marks the week: the day of its first column,
// the weekend days and the colour they are drawn in. A date field keeps one
// and hands it to its popup grid and to its date dialog.
struct TCalendarWeek
{
    Qt::DayOfWeek startOfWeek = Qt::Monday;
    QList<Qt::DayOfWeek> weekends{Qt::Sunday};
    QColor weekendColor = Qt::red;
};

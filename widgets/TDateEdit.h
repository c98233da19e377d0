#pragma once

#include <QDate>
#include <QLineEdit>

// Date entry field of the reporting period. Shows its date in the system's
// short date format.
class TDateEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TDateEdit(QWidget *parent = nullptr);

    QDate date() const;
    void setDate(QDate date);
};

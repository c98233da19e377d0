#include "TDateEdit.h"

#include "Error.h"
#include "FormatSettings.h"
#include "OleDate.h"

TDateEdit::TDateEdit(QWidget *parent) : QLineEdit(parent) {}

QDate TDateEdit::date() const
{
    try {
        return OleDate::toDate(TextFormat::textToDate(text(), FormatSettings::current()));
    } catch (const Error &) {
        return {};
    }
}

void TDateEdit::setDate(QDate date)
{
    const FormatSettings &settings = FormatSettings::current();
    setText(date.isValid() ? TextFormat::dateToText(OleDate::fromDate(date), settings) : QString());
}

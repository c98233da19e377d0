#pragma once

#include <QChar>
#include <QString>

class TExportDataFormats;

// Installs the separators and the currency text of an export's data formats
// as the process-wide format settings for as long as it lives, and puts the
// previous values back when it goes, also when a failure passes through.
// The short date and long time formats stay the process's own.
class FormatSettingsGuard
{
public:
    explicit FormatSettingsGuard(const TExportDataFormats &formats);
    ~FormatSettingsGuard();
    FormatSettingsGuard(const FormatSettingsGuard &) = delete;
    FormatSettingsGuard &operator=(const FormatSettingsGuard &) = delete;

private:
    QChar m_decimalSeparator;
    QChar m_dateSeparator;
    QChar m_timeSeparator;
    QChar m_thousandSeparator;
    QString m_currencyString;
};

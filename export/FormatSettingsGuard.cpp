#include "FormatSettingsGuard.h"

#include "FormatSettings.h"
#include "TExportDataFormats.h"

FormatSettingsGuard::FormatSettingsGuard(const TExportDataFormats &formats)
{
    FormatSettings &current = FormatSettings::current();
    m_decimalSeparator = current.decimalSeparator;
    m_dateSeparator = current.dateSeparator;
    m_timeSeparator = current.timeSeparator;
    m_thousandSeparator = current.thousandSeparator;
    m_currencyString = current.currencyString;
    current = formats.installedInto(current);
}

FormatSettingsGuard::~FormatSettingsGuard()
{
    FormatSettings &current = FormatSettings::current();
    current.decimalSeparator = m_decimalSeparator;
    current.dateSeparator = m_dateSeparator;
    current.timeSeparator = m_timeSeparator;
    current.thousandSeparator = m_thousandSeparator;
    current.currencyString = m_currencyString;
}

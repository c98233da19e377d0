#include "TextExportDesign.h"

#include "TExportToText.h"

namespace TextExportDesign {

void applySettings(TExportToText &ex)
{
    ex.setColumnSource(csDataSet);
    ex.setAddTitle(true);
    ex.setFixed(false);
    ex.setSeparator(u';');
    ex.setRecordSeparator(QStringLiteral("\r\n"));
    ex.setTextQualifying(tqStringOnly);
    // No qualifier is stored: the null character, so no cell is quoted.
    ex.setTextQualifier(QChar());
    ex.setCharacterSet(csANSI_WINDOWS);

    TExportDataFormats &formats = ex.dataFormats();
    formats.dateOrder = doDMY;
    formats.dateSeparator = u'.';
    formats.timeSeparator = u':';
    formats.fourDigitYear = true;
    formats.leadingZerosInDate = true;
    formats.thousandSeparator = u'.';
    formats.decimalSeparator = u',';
    formats.currencyString = QStringLiteral("€");
    formats.booleanTrue = QStringLiteral("True");
    formats.booleanFalse = QStringLiteral("False");
    formats.useRegionalSettings = false;

    ex.setBlankIfZero(false);
    ex.setSelectedRecord(false);
    ex.setRightToLeft(false);
    ex.setAnimatedStatus(true);
    ex.setActionAfterExport(aeOpenView);
}

} // namespace TextExportDesign

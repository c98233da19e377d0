#pragma once

#include "TExportToText.h"

// A text export set up as the register's DEP 131 and LOG components are:
// columns from the dataset, a title row, ";" between cells, CR LF after
// every row, no qualifier, Windows-1252, "," and "." and ":" in numbers
// and dates, the file opened afterwards.
inline void configureLikeRegister(TExportToText &ex)
{
    ex.setColumnSource(csDataSet);
    ex.setAddTitle(true);
    ex.setFixed(false);
    ex.setSeparator(u';');
    ex.setRecordSeparator(QStringLiteral("\r\n"));
    ex.setTextQualifying(tqStringOnly);
    ex.setCharacterSet(csANSI_WINDOWS);
    TExportDataFormats &f = ex.dataFormats();
    f.dateOrder = doDMY;
    f.dateSeparator = u'.';
    f.timeSeparator = u':';
    f.fourDigitYear = true;
    f.leadingZerosInDate = true;
    f.thousandSeparator = u'.';
    f.decimalSeparator = u',';
    f.currencyString = QStringLiteral("€");
    f.booleanTrue = QStringLiteral("True");
    f.booleanFalse = QStringLiteral("False");
    f.useRegionalSettings = false;
    ex.setBlankIfZero(false);
    ex.setSelectedRecord(false);
    ex.setRightToLeft(false);
    ex.setAnimatedStatus(true);
    ex.setActionAfterExport(aeOpenView);
}

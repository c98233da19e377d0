#pragma once

#include <QtGlobal>

// The outcome of an export run.
enum TExportResult { erInProgress, erCompleted, erCanceled, erFailed };

// What an export run counted, and how it ended.
class TExportStatistic
{
public:
    // Header lines, title rows, records and footer lines of a file.
    qint64 totalCount = 0;
    qint64 totalErrors = 0;
    // The progress window is updated at every UpdateStep-th record (0 or
    // less: at every record).
    int updateStep = 1;
    TExportResult result = erInProgress;
    // The row being written (rows written so far in the current file) and
    // the visible-column position of the cell being written.
    qint64 currentRow = 0;
    int currentColumn = 0;
};

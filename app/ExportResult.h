#pragma once

#include "ExportOutcome.h"

#include <QStringList>

#include <exception>

// How an ExportSession run ended: its outcome, the messages the user was
// given on the way (in their order), the files written (local paths) and,
// for a failure the run did not handle itself, that failure.
struct ExportResult
{
    ExportOutcome outcome = ExportOutcome::Written;
    QStringList messages;
    QStringList files;
    std::exception_ptr cause;
};

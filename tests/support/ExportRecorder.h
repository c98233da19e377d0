#pragma once

#include "MessageRecorder.h"

#include <QStringList>

// Records the message boxes of the export engine and the files handed to the
// shell's open action, for as long as it lives.
class ExportRecorder : public MessageRecorder
{
public:
    ExportRecorder();
    ~ExportRecorder();
    ExportRecorder(const ExportRecorder &) = delete;
    ExportRecorder &operator=(const ExportRecorder &) = delete;

    QStringList opened;
    // What the recorded opener answers: false stands for a desktop without
    // a program to open the file.
    bool openerAnswers = true;
};

#include "ExportRecorder.h"

#include "ShellOpener.h"

ExportRecorder::ExportRecorder()
{
    ShellOpener::setOpener([this](const QString &localPath) {
        opened << localPath;
        return openerAnswers;
    });
}

ExportRecorder::~ExportRecorder()
{
    ShellOpener::setOpener({});
}

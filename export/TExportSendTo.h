#pragma once

#include <QString>

// Where the e-mail action sends the finished file.
class TExportSendTo
{
public:
    QString eMailRecipient;
    QString eMailCC;
    QString eMailBCC;
    QString eMailSubject;
    QString eMailBody;
    bool eMailOpenBeforeSend = true;
};

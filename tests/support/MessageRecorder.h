#pragma once

#include "MessageBox.h"

#include <QList>

// Records the message boxes the program shows instead of showing them, for
// as long as it lives.
class MessageRecorder
{
public:
    MessageRecorder()
    {
        setMessageBoxPresenter([this](const MessageBoxRequest &request) { m_boxes.append(request); });
    }
    ~MessageRecorder() { setMessageBoxPresenter({}); }
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    const QList<MessageBoxRequest> &boxes() const { return m_boxes; }
    QStringList texts() const
    {
        QStringList result;
        for (const MessageBoxRequest &box : m_boxes)
            result << box.text;
        return result;
    }
    QList<MessageBoxKind> kinds() const
    {
        QList<MessageBoxKind> result;
        for (const MessageBoxRequest &box : m_boxes)
            result << box.kind;
        return result;
    }
    void clear() { m_boxes.clear(); }

private:
    QList<MessageBoxRequest> m_boxes;
};

#include "MessageBox.h"

#include "Error.h"

#include <QApplication>
#include <QFileInfo>
#include <QPushButton>
#include <QMessageBox>

namespace {

MessageBoxPresenter &presenter()
{
    static MessageBoxPresenter current;
    return current;
}

QuestionAnswerer &answerer()
{
    static QuestionAnswerer current;
    return current;
}

QMessageBox::Icon iconOf(MessageBoxKind kind)
{
    switch (kind) {
    case MessageBoxKind::Plain:
        return QMessageBox::NoIcon;
    case MessageBoxKind::Information:
        return QMessageBox::Information;
    case MessageBoxKind::Warning:
        return QMessageBox::Warning;
    case MessageBoxKind::Error:
        return QMessageBox::Critical;
    case MessageBoxKind::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// A carriage return alone breaks the line in a Windows message box; the
// label of a QMessageBox needs a line feed for that.
QString displayText(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'\r' && (i + 1 == text.size() || text.at(i + 1) != u'\n'))
            text[i] = u'\n';
    }
    return text;
}

void presentInQMessageBox(const MessageBoxRequest &request)
{
    QMessageBox box(iconOf(request.kind), request.caption, displayText(request.text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace

void showMessageBox(MessageBoxKind kind, const QString &caption, const QString &text)
{
    const MessageBoxRequest request{kind, caption, text};
    if (presenter())
        presenter()(request);
    else
        presentInQMessageBox(request);
}

void setMessageBoxPresenter(MessageBoxPresenter replacement)
{
    presenter() = std::move(replacement);
}

bool askYesNo(const QString &text)
{
    const MessageBoxRequest request{MessageBoxKind::Question, applicationTitle(), text};
    if (presenter()) {
        presenter()(request);
        return answerer() && answerer()(request);
    }
    QMessageBox box(QMessageBox::Question, request.caption, displayText(request.text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    const QPushButton *yes = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
    box.exec();
    return box.clickedButton() == yes;
}

void setQuestionAnswerer(QuestionAnswerer replacement)
{
    answerer() = std::move(replacement);
}

QString applicationTitleFor(const QString &programFileName)
{
    QString title = QFileInfo(programFileName).fileName();
    const qsizetype dot = title.indexOf(u'.');
    if (dot >= 0)
        title.truncate(dot);
    if (title.size() > 1)
        title = title.left(1) + title.mid(1).toLower();
    return title;
}

QString applicationTitle()
{
    return applicationTitleFor(QCoreApplication::applicationFilePath());
}

void showMessage(const QString &text)
{
    showMessageBox(MessageBoxKind::Plain, applicationTitle(), text);
}

void showErrorBox(const QString &message)
{
    showMessageBox(MessageBoxKind::Error, applicationTitle(), errorBoxText(message));
}

void showErrorBox(const std::exception &failure)
{
    showErrorBox(failureMessage(failure));
}

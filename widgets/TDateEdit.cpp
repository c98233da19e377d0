#include "TDateEdit.h"

#include "DateFieldText.h"
#include "EditGlyphs.h"
#include "Error.h"
#include "FormatSettings.h"
#include "MessageBox.h"
#include "OleDate.h"
#include "TMonthGrid.h"
#include "TPopupCalendar.h"
#include "TSelectDateDlg.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace {

using DateFieldText::DateOrder;
using DateFieldText::formatFor;
using DateFieldText::orderOf;

// The edit mask with "9" for each digit and "/" for the separator.
QString maskFor(DateOrder order, bool fourDigits)
{
    if (!fourDigits)
        return QStringLiteral("99/99/99");
    return order == DateOrder::YearMonthDay ? QStringLiteral("9999/99/99") : QStringLiteral("99/99/9999");
}

// Qt's mask: "0" is a digit that may stay blank, other characters are
// literals unless they have a meaning of their own.
QString qtMaskFor(const QString &mask, QChar separator, QChar blank)
{
    static const QString special = QStringLiteral("AaNnXx90DdHhBb#><!;[]{}\\");
    QString qtMask;
    for (const QChar c : mask) {
        if (c == u'9') {
            qtMask += u'0';
        } else {
            if (special.contains(separator))
                qtMask += u'\\';
            qtMask += separator;
        }
    }
    return qtMask + u';' + blank;
}

} // namespace

TDateEdit::TDateEdit(QWidget *parent) : TCustomComboEdit(parent)
{
    setButtonGlyph(EditGlyphs::dateEditGlyph());
    updateFormat();
    createPopup();
}

TDateEdit::~TDateEdit() = default;

QString TDateEdit::dateText() const
{
    // QLineEdit::text() drops the mask's unfilled positions ("12.." for a
    // field showing "12.  .    "); the shown text keeps them.
    const QString shown = displayText();
    const bool entered = std::any_of(shown.begin(), shown.end(), [this](QChar c) {
        return c != m_separator && c != m_blanksChar && !c.isSpace();
    });
    return entered ? shown : QString();
}

QString TDateEdit::editMask() const
{
    const bool fourDigits = m_dateFormat.contains(QStringLiteral("YYYY"));
    return u'!' + maskFor(orderOf(m_dateFormat), fourDigits) + QStringLiteral(";1;") + m_blanksChar;
}

void TDateEdit::updateFormat()
{
    const QDate shown = parsedDate();
    const bool modified = isModified();
    const FormatSettings &settings = FormatSettings::current();
    const DateOrder order = orderOf(settings.shortDateFormat);
    const bool fourDigits = m_yearDigits == dyFour
        || (m_yearDigits == dyDefault && settings.shortDateFormat.contains(QStringLiteral("yyyy"), Qt::CaseInsensitive));
    m_dateFormat = formatFor(order, fourDigits);
    m_separator = settings.dateSeparator;
    m_qtMask = qtMaskFor(maskFor(order, fourDigits), m_separator, m_blanksChar);
    setInputMask(m_qtMask);
    QLineEdit::setText(shown.isValid() ? dateText(shown) : QString());
    setModified(modified);
}

FormatSettings TDateEdit::fieldSettings() const
{
    FormatSettings settings = FormatSettings::current();
    settings.dateSeparator = m_separator;
    settings.shortDateFormat = m_dateFormat;
    return settings;
}

QString TDateEdit::dateText(QDate date) const
{
    return TextFormat::formatDateTime(m_dateFormat, OleDate::fromDate(date), fieldSettings());
}

QDate TDateEdit::parsedDate() const
{
    if (m_dateFormat.isEmpty())
        return {};
    try {
        return OleDate::toDate(TextFormat::textToDate(dateText(), fieldSettings()));
    } catch (const Error &) {
        return {};
    }
}

QDate TDateEdit::date() const
{
    const QDate parsed = parsedDate();
    if (!parsed.isValid() && m_defaultToday)
        return QDate::currentDate();
    return parsed;
}

void TDateEdit::setDate(QDate date)
{
    if (!date.isValid() && m_defaultToday)
        date = QDate::currentDate();
    const QDate before = parsedDate();
    setText(date.isValid() ? dateText(date) : QString());
    setModified(before != (date.isValid() ? date : QDate()));
}

void TDateEdit::setCalendarStyle(TCalendarStyle style)
{
    if (style == m_calendarStyle)
        return;
    m_calendarStyle = style;
    if (style == csPopup) {
        createPopup();
    } else {
        closePopup(false);
        delete m_popup;
    }
}

void TDateEdit::setBlanksChar(QChar blank)
{
    m_blanksChar = blank.unicode() < 32 ? QChar(u' ') : blank;
    updateFormat();
}

void TDateEdit::setYearDigits(TYearDigits digits)
{
    m_yearDigits = digits;
    updateFormat();
}

void TDateEdit::setStartOfWeek(Qt::DayOfWeek day)
{
    m_week.startOfWeek = day;
    applyCalendarSettings();
}

void TDateEdit::setWeekends(const QList<Qt::DayOfWeek> &days)
{
    m_week.weekends = days;
    applyCalendarSettings();
}

void TDateEdit::setWeekendColor(const QColor &color)
{
    m_week.weekendColor = color;
    applyCalendarSettings();
}

QColor TDateEdit::popupColor() const
{
    return m_popupColor.isValid() ? m_popupColor : palette().color(QPalette::Button);
}

void TDateEdit::setPopupColor(const QColor &color)
{
    m_popupColor = color;
    applyCalendarSettings();
}

void TDateEdit::setCalendarHints(const QStringList &hints)
{
    m_calendarHints = hints.mid(0, 4);
    applyCalendarSettings();
}

void TDateEdit::createPopup()
{
    if (m_popup)
        return;
    m_popup = new TPopupCalendar(this);
    connect(m_popup, &TPopupCalendar::dayPicked, this, [this] { closePopup(true); });
    applyCalendarSettings();
}

void TDateEdit::applyCalendarSettings()
{
    if (!m_popup)
        return;
    TMonthGrid *grid = m_popup->grid();
    grid->setWeek(m_week);
    m_popup->setHints(m_calendarHints);
    QPalette pal = m_popup->palette();
    pal.setColor(QPalette::Button, popupColor());
    pal.setColor(QPalette::Window, popupColor());
    m_popup->setPalette(pal);
    m_popup->setLocale(locale());
    m_popup->setFont(font());
}

TPopupCalendar *TDateEdit::popup() const
{
    return m_popup;
}

bool TDateEdit::isPopupVisible() const
{
    return m_popup && m_popup->isVisible();
}

void TDateEdit::openPopup()
{
    // A field made read-only on purpose opens nothing; one that only takes
    // no typing (DirectInput off) is set through the calendar.
    if (!m_popup || isPopupVisible() || (isReadOnly() && directInput()))
        return;
    const QDate shown = parsedDate();
    m_popup->setDate(shown.isValid() ? shown : QDate::currentDate());
    applyCalendarSettings();
    placePopup();
    m_readOnlyBeforePopup = isReadOnly();
    setFocus(Qt::OtherFocusReason);
    setReadOnly(true);
    m_popup->show();
    m_popup->raise();
}

void TDateEdit::closePopup(bool accept)
{
    if (!isPopupVisible())
        return;
    const QDate picked = m_popup->date();
    m_popup->hide();
    setReadOnly(m_readOnlyBeforePopup);
    if (!m_closingOnFocusOut)
        setFocus(Qt::OtherFocusReason);
    if (accept)
        acceptPickedDate(picked);
}

void TDateEdit::acceptPickedDate(QDate date)
{
    bool accept = true;
    emit OnAcceptDate(date, accept);
    if (!accept)
        return;
    const bool editable = !isReadOnly() || !directInput();
    if (!editable)
        return;
    setDate(date);
    selectAll();
}

void TDateEdit::placePopup()
{
    const QSize size = m_popup->sizeHint();
    const QRect screenArea = screen() ? screen()->availableGeometry() : QRect(QPoint(0, 0), size * 8);
    const QPoint topLeft = mapToGlobal(QPoint(0, 0));
    const QPoint topRight = mapToGlobal(QPoint(width(), 0));
    int x = topLeft.x();
    if (m_popupAlign == epaRight) {
        x = topRight.x() - size.width();
        if (x < screenArea.left())
            x = topLeft.x();
    }
    int y = topLeft.y() + height();
    if (y + size.height() > screenArea.bottom() + 1)
        y = topLeft.y() - size.height();
    x = qBound(screenArea.left(), x, qMax(screenArea.left(), screenArea.right() + 1 - size.width()));
    m_popup->setGeometry(QRect(QPoint(x, y), size));
}

void TDateEdit::buttonClick()
{
    TCustomComboEdit::buttonClick();
    if (m_calendarStyle == csDialog) {
        openDialog();
        return;
    }
    if (isPopupVisible())
        closePopup(true);
    else
        openPopup();
}

void TDateEdit::openDialog()
{
    TSelectDateDlg dialog(this);
    dialog.setWindowTitle(m_dialogTitle);
    const QDate shown = parsedDate();
    dialog.setDate(shown.isValid() ? shown : QDate::currentDate());
    dialog.setWeek(m_week);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QDate picked = dialog.date();
    bool accept = true;
    emit OnAcceptDate(picked, accept);
    if (accept)
        setDate(picked);
}

void TDateEdit::stepDate(int days)
{
    const QDate shown = parsedDate();
    setDate((shown.isValid() ? shown : QDate::currentDate()).addDays(days));
    selectAll();
}

void TDateEdit::keyPressEvent(QKeyEvent *event)
{
    if (isPopupVisible()) {
        if (isClickKey(event)) {
            buttonClick();
        } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            closePopup(true);
        } else if (event->key() == Qt::Key_Escape) {
            closePopup(false);
        } else if (!m_popup->grid()->handleKey(event)) {
            TCustomComboEdit::keyPressEvent(event);
            return;
        }
        event->accept();
        return;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool keypad = event->modifiers() & Qt::KeypadModifier;
    const bool plus = event->key() == Qt::Key_Plus || event->text() == u"+";
    const bool minus = event->key() == Qt::Key_Minus || event->text() == u"-";
    if (plus || minus) {
        if (keypad && modifiers == Qt::NoModifier && directInput() && !isReadOnly())
            stepDate(plus ? 1 : -1);
        event->accept(); // typed "+" and "-" have no place in a date
        return;
    }
    if ((event->text() == u"T" || event->text() == u"t") && !(modifiers & (Qt::ControlModifier | Qt::AltModifier))) {
        if (!isReadOnly())
            setDate(QDate::currentDate());
        event->accept();
        return;
    }
    TCustomComboEdit::keyPressEvent(event);
}

void TDateEdit::focusOutEvent(QFocusEvent *event)
{
    if (isPopupVisible()) {
        m_closingOnFocusOut = true;
        closePopup(false);
        m_closingOnFocusOut = false;
    }
    TCustomComboEdit::focusOutEvent(event);
    // The exit check is for moving on to another control of the window, not
    // for the window losing the activation or going away.
    const bool toAnotherControl = event->reason() != Qt::ActiveWindowFocusReason
        && event->reason() != Qt::PopupFocusReason && window()->isVisible() && QApplication::focusWidget();
    if (m_checkOnExit && !m_checkingOnExit && toAnotherControl)
        checkDateOnExit();
}

// With CheckOnExit a text that is not a date keeps the focus in the field;
// a date is written anew in the field's format, without a change notice.
void TDateEdit::checkDateOnExit()
{
    const QString typed = dateText();
    if (typed.isEmpty())
        return;
    const QDate parsed = parsedDate();
    if (!parsed.isValid()) {
        m_checkingOnExit = true;
        showErrorBox(QStringLiteral("'%1' is not a valid date").arg(typed));
        m_checkingOnExit = false;
        QTimer::singleShot(0, this, [this] { setFocus(Qt::OtherFocusReason); });
        return;
    }
    const QSignalBlocker quiet(this);
    QLineEdit::setText(dateText(parsed));
}

void TDateEdit::changeEvent(QEvent *event)
{
    TCustomComboEdit::changeEvent(event);
    if (event->type() == QEvent::LocaleChange) {
        updateFormat();
        applyCalendarSettings();
    }
}

#include "TCustomComboEdit.h"

#include <QKeyEvent>
#include <QStyle>
#include <QToolButton>

namespace {

// The button sits in a container 21 pixels wide inside the field's frame.
constexpr int buttonWidth = 21;

} // namespace

TCustomComboEdit::TCustomComboEdit(QWidget *parent)
    : QLineEdit(parent), m_button(new QToolButton(this)), m_clickKey(Qt::ALT | Qt::Key_Down)
{
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setCursor(Qt::ArrowCursor);
    m_button->setAutoRaise(false);
    m_button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    connect(m_button, &QToolButton::clicked, this, [this] { buttonClick(); });
    setTextMargins(0, 0, buttonWidth, 0);
    placeButton();
}

void TCustomComboEdit::setDirectInput(bool direct)
{
    m_directInput = direct;
    setReadOnly(!direct);
}

void TCustomComboEdit::setButtonGlyph(const QIcon &glyph)
{
    m_button->setIcon(glyph);
}

void TCustomComboEdit::buttonClick()
{
    emit OnButtonClick();
}

bool TCustomComboEdit::isClickKey(const QKeyEvent *event) const
{
    if (m_clickKey.isEmpty())
        return false;
    const QKeyCombination pressed(event->modifiers() & ~Qt::KeypadModifier, Qt::Key(event->key()));
    return QKeySequence(pressed) == m_clickKey;
}

void TCustomComboEdit::keyPressEvent(QKeyEvent *event)
{
    if (isClickKey(event)) {
        buttonClick();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TCustomComboEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    placeButton();
}

void TCustomComboEdit::placeButton()
{
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const int inner = qMax(1, height() - 2 * frame);
    m_button->setGeometry(width() - frame - buttonWidth, frame, buttonWidth, inner);
    m_button->setIconSize(QSize(14, qMin(12, inner)));
}

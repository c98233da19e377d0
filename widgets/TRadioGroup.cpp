#include "TRadioGroup.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QRadioButton>
#include <QStyle>
#include <qdrawutil.h>

#include <algorithm>

namespace {

// The caption starts this far in from the group's left edge, with this gap
// in the frame line on either side of its text (as Windows draws a group).
constexpr int captionIndent = 8;
constexpr int captionGap = 2;

} // namespace

TRadioGroup::TRadioGroup(QWidget *parent) : QGroupBox(parent), m_group(new QButtonGroup(this))
{
    m_group->setExclusive(true);
    connect(m_group, &QButtonGroup::idToggled, this, &TRadioGroup::buttonToggled);
}

QRadioButton *TRadioGroup::button(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    return m_buttons[static_cast<std::size_t>(index)];
}

void TRadioGroup::setItems(const QStringList &items)
{
    for (QRadioButton *b : m_buttons)
        delete b;
    m_buttons.clear();
    m_itemIndex = -1;
    m_items = items;
    for (int i = 0; i < items.size(); ++i) {
        auto *b = new QRadioButton(items.at(i), this);
        m_group->addButton(b, i);
        m_buttons.push_back(b);
        b->show();
    }
    arrangeButtons();
}

void TRadioGroup::setItemIndex(int index)
{
    if (index < -1)
        index = -1;
    if (index >= count())
        index = count() - 1;
    if (index == m_itemIndex)
        return;
    if (index < 0) {
        clearSelection();
        return;
    }
    // Checking the button reports the change through buttonToggled().
    button(index)->setChecked(true);
}

void TRadioGroup::clearSelection()
{
    // An exclusive group does not let its checked button go.
    m_group->setExclusive(false);
    if (QRadioButton *b = button(m_itemIndex))
        b->setChecked(false);
    m_group->setExclusive(true);
    m_itemIndex = -1;
}

void TRadioGroup::buttonToggled(int index, bool checked)
{
    if (!checked || index == m_itemIndex)
        return;
    m_itemIndex = index;
    emit itemIndexChanged(index);
}

void TRadioGroup::resizeEvent(QResizeEvent *event)
{
    QGroupBox::resizeEvent(event);
    arrangeButtons();
}

void TRadioGroup::changeEvent(QEvent *event)
{
    QGroupBox::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        arrangeButtons();
}

QRect TRadioGroup::captionRect() const
{
    const QFontMetrics metrics(font());
    return {captionIndent, 0, metrics.horizontalAdvance(title()) + 2 * captionGap, metrics.height()};
}

void TRadioGroup::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect caption = captionRect();
    // An etched line, as Windows draws a group's frame (the styles' own
    // group frames set their line below the caption, each by its own rule).
    qDrawShadeRect(&painter, rect().adjusted(0, caption.center().y(), 0, 0), palette(), true);
    // The caption interrupts the line, on the colour around the group.
    const QWidget *around = parentWidget() ? parentWidget() : this;
    painter.fillRect(caption, around->palette().brush(around->backgroundRole()));
    style()->drawItemText(&painter, caption, Qt::AlignCenter, palette(), isEnabled(), title(),
                          QPalette::WindowText);
}

QSize TRadioGroup::minimumSizeHint() const
{
    int rowHeight = 0;
    int rowWidth = 0;
    for (const QRadioButton *b : m_buttons) {
        rowHeight = std::max(rowHeight, b->sizeHint().height());
        rowWidth = std::max(rowWidth, b->sizeHint().width());
    }
    const QFontMetrics metrics(font());
    const int captionHeight = metrics.height();
    return {std::max(rowWidth, captionRect().right() + 1) + 10 + 8, captionHeight + 5 + count() * rowHeight};
}

// The buttons share the height below the caption evenly; what does not
// divide evenly goes half above the first button.
void TRadioGroup::arrangeButtons()
{
    if (m_buttons.empty())
        return;
    const int captionHeight = QFontMetrics(font()).height();
    const int rows = count();
    const int space = height() - captionHeight - 5;
    const int buttonHeight = std::max(space / rows, 1);
    const int topMargin = captionHeight + 1 + (space % rows) / 2;
    const int buttonWidth = std::max(width() - 10, 1);
    for (int i = 0; i < rows; ++i)
        m_buttons[static_cast<std::size_t>(i)]->setGeometry(8, topMargin + i * buttonHeight, buttonWidth, buttonHeight);
}

#pragma once

#include <QGroupBox>
#include <QStringList>

#include <vector>

class QButtonGroup;
class QRadioButton;

// A captioned group of radio buttons in one column, one button per item,
// spread evenly over the group's height. ItemIndex is the zero-based index
// of the selected item, -1 while none is selected.
//
// Whenever the selection changes, by a click, by the arrow keys or by
// setting ItemIndex, the group sends its click notification,
// itemIndexChanged(). Clicking the item that is already selected changes
// nothing and sends nothing.
//
// The group draws itself as on Windows, whatever the style: a frame whose
// top line runs through the middle of the caption, the caption set into
// that line a few pixels in from the left, the buttons below the line.
class TRadioGroup : public QGroupBox
{
    Q_OBJECT
    Q_PROPERTY(int ItemIndex READ itemIndex WRITE setItemIndex NOTIFY itemIndexChanged)

public:
    explicit TRadioGroup(QWidget *parent = nullptr);

    QStringList items() const { return m_items; }
    // Replaces the buttons; nothing is selected afterwards.
    void setItems(const QStringList &items);
    int count() const { return static_cast<int>(m_buttons.size()); }
    QRadioButton *button(int index) const;
    // Room for the caption and every item at its full height and width, so
    // that a shrunken group never lays its captions over each other.
    QSize minimumSizeHint() const override;

    int itemIndex() const { return m_itemIndex; }
    // Selects the item as a click on it would. An index past the last item
    // selects the last one; one below 0 selects none (without notification).
    void setItemIndex(int index);

signals:
    void itemIndexChanged(int index);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // The caption's place in the top line of the frame, its gap included.
    QRect captionRect() const;
    void buttonToggled(int index, bool checked);
    void arrangeButtons();
    void clearSelection();

    QStringList m_items;
    QButtonGroup *m_group;
    std::vector<QRadioButton *> m_buttons;
    int m_itemIndex = -1;
};

#pragma once

#include <QKeySequence>
#include <QLineEdit>

class QToolButton;

// A one-line edit with a small button at its right end. ClickKey (Alt+Down
// by default) acts like a click on the button. Enter and Esc go on to the
// window as dialog keys, as in any line edit.
//
// DirectInput false keeps the user from typing: the field is read-only and
// only the button sets it.
class TCustomComboEdit : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(QKeySequence ClickKey READ clickKey WRITE setClickKey)
    Q_PROPERTY(bool DirectInput READ directInput WRITE setDirectInput)

public:
    explicit TCustomComboEdit(QWidget *parent = nullptr);

    QKeySequence clickKey() const { return m_clickKey; }
    void setClickKey(const QKeySequence &key) { m_clickKey = key; }
    bool directInput() const { return m_directInput; }
    void setDirectInput(bool direct);

    QToolButton *button() const { return m_button; }
    void setButtonGlyph(const QIcon &glyph);

    // What a click on the button does; raises OnButtonClick first.
    virtual void buttonClick();

signals:
    void OnButtonClick();

protected:
    bool isClickKey(const QKeyEvent *event) const;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeButton();

    QToolButton *m_button;
    QKeySequence m_clickKey;
    bool m_directInput = true;
};

#pragma once

#include <QTimer>
#include <QWidget>

// The moving picture of the progress window: a sheet of paper flies from one
// folder to the other, 34 frames round and round while the window is shown.
// Painted by hand; the background stays transparent.
class FileCopyAnimation : public QWidget
{
    Q_OBJECT

public:
    static constexpr int frameCount = 34;

    explicit FileCopyAnimation(QWidget *parent = nullptr);

    int frame() const { return m_frame; }
    void start();
    void stop();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void advance();
    void paintFolder(QPainter &painter, QRectF box, bool open) const;
    void paintSheet(QPainter &painter, QPointF centre, qreal tilt) const;

    QTimer m_timer;
    int m_frame = 0;
};

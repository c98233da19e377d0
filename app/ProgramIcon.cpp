#include "ProgramIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>

namespace {

// Draws the SVG in whatever size is asked, when it is asked: a batch run,
// whose window is never shown, never reads it. Drawn here rather than
// through Qt's image plugin for SVG, which not every installation has.
class SvgIconEngine : public QIconEngine
{
public:
    explicit SvgIconEngine(QString file) : m_file(std::move(file)) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode, QIcon::State) override
    {
        QSvgRenderer picture(m_file);
        picture.render(painter, rect);
    }

    QIconEngine *clone() const override { return new SvgIconEngine(m_file); }

private:
    QString m_file;
};

} // namespace

namespace ProgramIcon {

QString desktopId()
{
    return QStringLiteral("at.depexport.DepExport");
}

QIcon icon()
{
    return QIcon(new SvgIconEngine(QStringLiteral(":/icons/at.depexport.DepExport.svg")));
}

} // namespace ProgramIcon

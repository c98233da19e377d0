#include "TPopupCalendar.h"

#include "EditGlyphs.h"
#include "TMonthGrid.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int stripHeight = 18;

QString shortHint(const QString &hint)
{
    return hint.section(u'|', 0, 0);
}

} // namespace

TPopupCalendar::TPopupCalendar(QWidget *field)
    : QFrame(field, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus
                        | Qt::X11BypassWindowManagerHint | Qt::WindowStaysOnTopHint),
      m_grid(new TMonthGrid(this)), m_title(new QLabel(this))
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);

    const struct { bool backward; int arrows; } glyphs[4] = {{true, 2}, {true, 1}, {false, 1}, {false, 2}};
    for (int i = 0; i < 4; ++i) {
        m_steps[i] = new QToolButton(this);
        m_steps[i]->setFocusPolicy(Qt::NoFocus);
        m_steps[i]->setAutoRepeat(true);
        m_steps[i]->setAutoRaise(true);
        m_steps[i]->setIcon(EditGlyphs::stepGlyph(glyphs[i].backward, glyphs[i].arrows));
        m_steps[i]->setFixedSize(stripHeight, stripHeight);
    }
    connect(m_steps[0], &QToolButton::clicked, m_grid, &TMonthGrid::prevYear);
    connect(m_steps[1], &QToolButton::clicked, m_grid, &TMonthGrid::prevMonth);
    connect(m_steps[2], &QToolButton::clicked, m_grid, &TMonthGrid::nextMonth);
    connect(m_steps[3], &QToolButton::clicked, m_grid, &TMonthGrid::nextYear);
    setHints({});

    m_title->setAlignment(Qt::AlignCenter);
    m_title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_title->installEventFilter(this);
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    m_title->setFont(titleFont);

    auto *strip = new QHBoxLayout;
    strip->setContentsMargins(0, 0, 0, 0);
    strip->setSpacing(0);
    strip->addWidget(m_steps[0]);
    strip->addWidget(m_steps[1]);
    strip->addWidget(m_title, 1);
    strip->addWidget(m_steps[2]);
    strip->addWidget(m_steps[3]);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addLayout(strip);
    layout->addWidget(m_grid, 1);

    connect(m_grid, &TMonthGrid::dateChanged, this, &TPopupCalendar::updateTitle);
    connect(m_grid, &TMonthGrid::dayClicked, this, &TPopupCalendar::dayPicked);
    updateTitle();
    resize(sizeHint());
}

QDate TPopupCalendar::date() const
{
    return m_grid->date();
}

void TPopupCalendar::setDate(QDate date)
{
    m_grid->setDate(date);
    updateTitle();
}

QString TPopupCalendar::title() const
{
    return m_title->text();
}

QStringList TPopupCalendar::defaultHints()
{
    return {QStringLiteral("Vorhergehendes Jahr|"), QStringLiteral("Vorhergehender Monat|"),
            QStringLiteral("Nächster Monat|"), QStringLiteral("Nächstes Jahr|")};
}

void TPopupCalendar::setHints(const QStringList &hints)
{
    const QStringList defaults = defaultHints();
    for (int i = 0; i < 4; ++i)
        m_steps[i]->setToolTip(shortHint(i < hints.size() ? hints.at(i) : defaults.at(i)));
}

QSize TPopupCalendar::sizeHint() const
{
    const qreal scale = logicalDpiX() / 96.0;
    return QSize(qRound(180 * scale), qRound(120 * scale));
}

void TPopupCalendar::updateTitle()
{
    const QDate date = m_grid->date();
    m_title->setText(locale().standaloneMonthName(date.month(), QLocale::LongFormat) + QStringLiteral(", ")
                     + QString::number(date.year()));
}

bool TPopupCalendar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_title && event->type() == QEvent::MouseButtonDblClick) {
        m_grid->goToToday();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

void TPopupCalendar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LocaleChange)
        updateTitle();
    QFrame::changeEvent(event);
}

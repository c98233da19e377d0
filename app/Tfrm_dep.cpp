#include "Tfrm_dep.h"

#include "Dep7Export.h"
#include "Dep7ExportReview.h"
#include "DesktopMessageSink.h"
#include "ExportButtonPicture.h"
#include "PeriodBinding.h"
#include "ProgramIcon.h"
#include "ProgramVariant.h"
#include "ProgressWindowObserver.h"
#include "TDateEdit.h"
#include "TDirectoryEdit.h"
#include "TFormStorage.h"
#include "TRadioGroup.h"
#include "WindowFonts.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

namespace {

constexpr int textFieldHeight = 21;
// Labels stand at x = 40 with their field at x = 167 or 168.
constexpr int labelRoom = 167 - 40 - 4;
// Headings have the panel's width to themselves.
constexpr int headingRoom = 601 - 40 - 8;
// A button caption follows the picture: 15 pixels of margin, 32 of picture,
// 5 of gap, and a few for the button's right edge.
constexpr int buttonWidth = 185;
constexpr int buttonCaptionRoom = buttonWidth - 15 - 32 - 5 - 6;

template <typename Widget>
Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A panel of the window: no bevel, a fixed height, its own colour.
QFrame *makePanel(QWidget *window, const char *name, int height, const QColor &colour)
{
    auto *panel = named(new QFrame(window), name);
    panel->setFrameShape(QFrame::NoFrame);
    panel->setFixedHeight(height);
    panel->setAutoFillBackground(true);
    panel->setBackgroundRole(QPalette::Window);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colour);
    panel->setPalette(palette);
    return panel;
}

// A label whose font is made to fit `room` pixels of width.
QLabel *makeLabel(QWidget *panel, const char *name, const QString &text, QPoint position, const QFont &font,
                  int room = labelRoom)
{
    auto *label = named(new QLabel(text, panel), name);
    label->setFont(WindowFonts::fittedFont(font, text, room));
    label->move(position);
    label->adjustSize();
    return label;
}

// Where a one-line field draws the baseline of its text, in its own
// coordinates: QLineEdit centres a line of its font in the contents
// rectangle its style leaves inside the frame.
int textBaseline(const QLineEdit *field)
{
    QStyleOptionFrame frame;
    frame.initFrom(field);
    frame.rect = field->rect();
    frame.lineWidth = field->hasFrame() ? field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, field) : 0;
    frame.midLineWidth = 0;
    frame.state |= QStyle::State_Sunken;
    frame.features = QStyleOptionFrame::None;
    const QRect contents = field->style()
                               ->subElementRect(QStyle::SE_LineEditContents, &frame, field)
                               .marginsRemoved(field->textMargins());
    const QFontMetrics metrics = field->fontMetrics();
    return contents.y() + (contents.height() - metrics.height() + 1) / 2 + metrics.ascent();
}

// Moves the label up or down so that its text stands on the same line as
// the text of the field it names, whatever fonts stand in for the designed
// ones (the label's font is larger than the field's).
void alignWithField(QLabel *label, const QLineEdit *field)
{
    const QFontMetrics metrics = label->fontMetrics();
    const QRect room = label->contentsRect();
    const int labelBaseline = room.top() + (room.height() - metrics.height()) / 2 + metrics.ascent();
    label->move(label->x(), field->y() + textBaseline(field) - labelBaseline);
}

template <typename Edit>
Edit *makeEdit(QWidget *panel, const char *name, QPoint position, int width)
{
    auto *edit = named(new Edit(panel), name);
    edit->setGeometry(position.x(), position.y(), width, textFieldHeight);
    return edit;
}

// The picture sits 15 pixels from the button's left edge, the caption
// follows it.
QPushButton *makeButton(QWidget *panel, const char *name, const QString &caption, int x)
{
    auto *button = named(new QPushButton(caption, panel), name);
    button->setGeometry(x, 9, buttonWidth, 39);
    button->setFont(WindowFonts::fittedFont(WindowFonts::caption(), caption, buttonCaptionRoom));
    button->setIcon(exportButtonPicture());
    button->setIconSize(QSize(32, 32));
    button->setStyleSheet(QStringLiteral("QPushButton { text-align: left; padding-left: 15px; }"));
    button->setFocusPolicy(Qt::ClickFocus);
    return button;
}

} // namespace

Tfrm_dep::Tfrm_dep(QWidget *parent) : QWidget(parent)
{
    WindowFonts::load();
    setObjectName(QStringLiteral("frm_dep"));
    setWindowTitle(QStringLiteral("DEP Dateien 20.03.2019"));
    setWindowIcon(ProgramIcon::icon());
    // The desktop matches the window to its menu entry by this name.
    QGuiApplication::setDesktopFileName(ProgramIcon::desktopId());
    setFont(WindowFonts::window());
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    // Puts the variant and the server name back when the window is shown,
    // before FormShow, and keeps them when it is closed.
    FormStorage1 = new TFormStorage(this);
    FormStorage1->setUseRegistry(true);
    FormStorage1->setIniSection(QStringLiteral("Tfrm_barverkauf"));
    FormStorage1->setOptions({});
    FormStorage1->setStoredProps({QStringLiteral("rg_version.ItemIndex"), QStringLiteral("ed_servername.Text")});

    rg_version = named(new TRadioGroup(this), "rg_version");
    rg_version->setTitle(QStringLiteral("PROGRAMM-VERSION wählen"));
    rg_version->setItems(ProgramVariant::captions());

    Panel1 = makePanel(this, "Panel1", 56, QColor(0, 0, 128));
    btn_dep131_export = makeButton(Panel1, "btn_dep131_export", QStringLiteral("DEP 131 erstellen"), 8);
    ex_dep_export.setProgressObserver(std::make_unique<ProgressWindowObserver>());
    btn_dep7_export = makeButton(Panel1, "btn_dep7_export", QStringLiteral("DEP 7 Export"), 208);

    btn_log_export = makeButton(Panel1, "btn_log_export", QStringLiteral("LOG Export"), 408);
    ex_log_export.setProgressObserver(std::make_unique<ProgressWindowObserver>());

    Panel2 = makePanel(this, "Panel2", 80, palette().color(QPalette::Highlight));
    lbl_zeitraumvon = makeLabel(Panel2, "lbl_zeitraumvon", QStringLiteral("Zeitraum von:"), {40, 20}, WindowFonts::caption());
    ed_vondatum = makeEdit<TDateEdit>(Panel2, "ed_vondatum", {167, 19}, 89);
    ed_bisdatum = makeEdit<TDateEdit>(Panel2, "ed_bisdatum", {167, 43}, 89);
    lbl_zeitraumbis = makeLabel(Panel2, "lbl_zeitraumbis", QStringLiteral("bis:"), {40, 44}, WindowFonts::caption());
    ed_vondatum->setFocusPolicy(Qt::ClickFocus);
    ed_bisdatum->setFocusPolicy(Qt::ClickFocus);

    pnl_access = makePanel(this, "pnl_access", 95, QColor(176, 176, 176));
    Label1 = makeLabel(pnl_access, "Label1", QStringLiteral("Pfad Datenbank"), {40, 41}, WindowFonts::caption());
    ed_datenbank = makeEdit<TDirectoryEdit>(pnl_access, "ed_datenbank", {168, 40}, 378);
    ed_datenbank->setText(ExportRequest::defaultFolder);
    Label2 = makeLabel(pnl_access, "Label2", QStringLiteral("Passwort"), {40, 65}, WindowFonts::caption());
    ed_passwort = makeEdit<QLineEdit>(pnl_access, "ed_passwort", {168, 64}, 81);
    ed_passwort->setEchoMode(QLineEdit::Password);
    ed_passwort->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    ed_passwort->setText(ExportRequest::defaultPassword);

    Panel3 = makePanel(this, "Panel3", 80, QColor(192, 192, 192));
    Label3 = makeLabel(pnl_access, "Label3", QStringLiteral("ACCESS-Datenbank"), {40, 8}, WindowFonts::heading(), headingRoom);
    Label4 = makeLabel(Panel3, "Label4", QStringLiteral("SQL-Server-Datenbank"), {40, 8}, WindowFonts::heading(), headingRoom);
    Label5 = makeLabel(Panel3, "Label5", QStringLiteral("Servername"), {40, 41}, WindowFonts::caption());
    ed_servername = makeEdit<QLineEdit>(Panel3, "ed_servername", {168, 40}, 378);
    ed_servername->setText(ExportRequest::defaultServer);

    alignWithField(lbl_zeitraumvon, ed_vondatum);
    alignWithField(lbl_zeitraumbis, ed_bisdatum);
    alignWithField(Label1, ed_datenbank);
    alignWithField(Label2, ed_passwort);
    alignWithField(Label5, ed_servername);

    // Top to bottom; only the variant list takes up a change of height.
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(rg_version, 1);
    layout->addWidget(Panel3);
    layout->addWidget(pnl_access);
    layout->addWidget(Panel2);
    layout->addWidget(Panel1);

    setTabOrder(ed_datenbank, ed_passwort);
    setTabOrder(ed_passwort, ed_servername);

    connect(rg_version, &TRadioGroup::itemIndexChanged, this, &Tfrm_dep::rg_versionClick);
    connect(btn_dep131_export, &QPushButton::clicked, this, &Tfrm_dep::btn_dep131_exportClick);
    connect(btn_dep7_export, &QPushButton::clicked, this, &Tfrm_dep::btn_dep7_exportClick);
    connect(btn_log_export, &QPushButton::clicked, this, &Tfrm_dep::btn_log_exportClick);

    // No narrower than its widest panel, no lower than the variant list
    // needs for six readable captions.
    for (QFrame *panel : {Panel1, Panel2, pnl_access, Panel3})
        panel->setMinimumWidth(panel->childrenRect().right() + 1 + 8);

    // Outer size 617 x 616 on the desktop the window was made for.
    move(372, 122);
    resize(601, 577);
}

Tfrm_dep::~Tfrm_dep() = default;

void Tfrm_dep::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A window coming back from the task bar is no new show.
    if (!event->spontaneous())
        FormShow();
}

void Tfrm_dep::FormShow()
{
    const PeriodBinding::Period period = PeriodBinding::defaultPeriod(QDate::currentDate());
    ed_vondatum->setDate(period.from);
    ed_bisdatum->setDate(period.to);
    if (ed_passwort->text().isEmpty())
        ed_passwort->setText(ExportRequest::defaultPassword);
}

void Tfrm_dep::rg_versionClick()
{
    if (const std::optional<QString> folder = ProgramVariant::defaultFolder(rg_version->itemIndex()))
        ed_datenbank->setText(*folder);
}

ExportRequest Tfrm_dep::request(ExportKind kind, std::optional<int> cashRegister) const
{
    ExportRequest request;
    request.kind = kind;
    request.variant = rg_version->itemIndex();
    request.folder = ed_datenbank->text();
    request.password = ed_passwort->text();
    request.server = ed_servername->text();
    request.fromText = ed_vondatum->dateText();
    request.toText = ed_bisdatum->dateText();
    request.cashRegister = cashRegister;
    return request;
}

ExportOutcome Tfrm_dep::run(const ExportRequest &request)
{
    DesktopMessageSink boxes;
    return m_session.run(request, boxes).outcome;
}

void Tfrm_dep::btn_dep131_exportClick()
{
    exportDep131();
}

void Tfrm_dep::btn_dep7_exportClick()
{
    if (exportDep7() == ExportOutcome::Written)
        Dep7ExportReview::afterExport(*this);
}

void Tfrm_dep::btn_log_exportClick()
{
    exportLog();
}

ExportOutcome Tfrm_dep::exportDep131()
{
    return run(request(ExportKind::Dep131));
}

ExportOutcome Tfrm_dep::exportLog()
{
    return run(request(ExportKind::Log));
}

Dep7Request Tfrm_dep::dep7Request(std::optional<int> cashRegister) const
{
    return ExportSession::dep7Request(request(ExportKind::Dep7), cashRegister);
}

ExportOutcome Tfrm_dep::exportDep7(std::optional<int> cashRegister)
{
    return run(request(ExportKind::Dep7, cashRegister));
}

ExportOutcome Tfrm_dep::exportDep7PerRegister(QStringList &written, bool announce)
{
    ExportRequest perRegister = request(ExportKind::Dep7);
    perRegister.allCashRegisters = true;
    perRegister.announce = announce;
    DesktopMessageSink boxes;
    const ExportResult result = m_session.run(perRegister, boxes);
    written.append(result.files);
    return result.outcome;
}

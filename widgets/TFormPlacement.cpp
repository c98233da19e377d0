#include "TFormPlacement.h"

#include "Error.h"
#include "IniFileStore.h"
#include "MessageBox.h"
#include "RegistryStore.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QScreen>

namespace {

TFormPlacement::ErrorReporter &errorReporter()
{
    static TFormPlacement::ErrorReporter reporter;
    return reporter;
}

// Closes the store of a pass on every way out of it.
class StorePass
{
public:
    StorePass(std::unique_ptr<SettingsStore> &slot, std::unique_ptr<SettingsStore> store) : m_slot(slot)
    {
        m_slot = std::move(store);
    }
    ~StorePass() { m_slot.reset(); }
    StorePass(const StorePass &) = delete;
    StorePass &operator=(const StorePass &) = delete;

private:
    std::unique_ptr<SettingsStore> &m_slot;
};

RegistryRoot rootOf(TFormPlacement::TPlacementRegRoot root)
{
    switch (root) {
    case TFormPlacement::prCurrentUser: return RegistryRoot::CurrentUser;
    case TFormPlacement::prLocalMachine: return RegistryRoot::LocalMachine;
    case TFormPlacement::prCurrentConfig: return RegistryRoot::CurrentConfig;
    case TFormPlacement::prClassesRoot: return RegistryRoot::ClassesRoot;
    case TFormPlacement::prUsers: return RegistryRoot::Users;
    case TFormPlacement::prDynData: return RegistryRoot::DynData;
    }
    return RegistryRoot::CurrentUser;
}

// Rectangles are kept as "left,top,right,bottom", right and bottom exclusive.
QString rectText(const QRect &rect)
{
    return QStringLiteral("%1,%2,%3,%4")
        .arg(rect.left())
        .arg(rect.top())
        .arg(rect.left() + rect.width())
        .arg(rect.top() + rect.height());
}

std::optional<QRect> rectFromText(const QString &text)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    int n[4];
    for (int i = 0; i < 4; ++i) {
        const auto value = SettingsStore::parseInteger(parts.at(i).trimmed());
        if (!value)
            return std::nullopt;
        n[i] = *value;
    }
    return QRect(QPoint(n[0], n[1]), QSize(n[2] - n[0], n[3] - n[1]));
}

// The show commands of the Windows window placement.
constexpr int showNormal = 1;
constexpr int showMinimized = 2;
constexpr int showMaximized = 3;

void reportFailure(const std::exception &failure)
{
    if (const auto *error = dynamic_cast<const Error *>(&failure))
        TFormPlacement::reportError(error->message());
    else
        TFormPlacement::reportError(QString::fromLocal8Bit(failure.what()));
}

} // namespace

TFormPlacement::TFormPlacement(QWidget *owner)
    : QObject(owner), m_owner(owner), m_options(fpState | fpPosition)
{
    Q_ASSERT(owner);
    m_ownerClassName = QString::fromLatin1(owner->metaObject()->className());
    m_owner->installEventFilter(this);
}

TFormPlacement::~TFormPlacement()
{
    ownerDestroying();
}

QString TFormPlacement::iniSection() const
{
    if (!m_iniSection.isEmpty())
        return m_iniSection;
    return m_ownerClassName;
}

void TFormPlacement::setPreventResize(bool prevent)
{
    m_preventResize = prevent;
    if (m_loaded)
        applyWindowLimits();
}

void TFormPlacement::setMinMaxInfo(const TWinMinMaxInfo &info)
{
    m_minMaxInfo = info;
    if (m_loaded)
        applyWindowLimits();
}

QString TFormPlacement::storeName() const
{
    if (!m_iniFileName.isEmpty())
        return m_iniFileName;
    if (m_useRegistry)
        return QStringLiteral("Software\\") + SettingsStore::programName();
    return SettingsStore::programName() + QStringLiteral(".INI");
}

std::unique_ptr<SettingsStore> TFormPlacement::openStore() const
{
    if (m_useRegistry)
        return std::make_unique<RegistryStore>(rootOf(m_registryRoot), storeName());
    return std::make_unique<IniFileStore>(storeName());
}

void TFormPlacement::setErrorReporter(ErrorReporter reporter)
{
    errorReporter() = std::move(reporter);
}

void TFormPlacement::reportError(const QString &message)
{
    if (errorReporter())
        errorReporter()(message);
    else
        showErrorBox(message);
}

void TFormPlacement::loaded()
{
    m_loaded = true;
    if (m_owner)
        m_ownerClassName = QString::fromLatin1(m_owner->metaObject()->className());
}

void TFormPlacement::RestoreWindowSettings()
{
    m_saved = false;
    StorePass pass(m_store, openStore());
    const int storedVersion = m_store->readInteger(iniSection(), QStringLiteral("FormVersion"), 0);
    if (storedVersion >= m_version) {
        m_restored = true;
        readPlacement();
        emit OnRestorePlacement();
        if (m_options & fpActiveControl)
            readActiveControl();
    }
    m_restored = true;
}

void TFormPlacement::SaveWindowSettings()
{
    if (!m_restored && m_active)
        return;
    StorePass pass(m_store, openStore());
    m_store->writeInteger(iniSection(), QStringLiteral("FormVersion"), m_version);
    writePlacement();
    emit OnSavePlacement();
    m_store->commit();
    m_saved = true;
}

QString TFormPlacement::readString(const QString &name, const QString &defaultText)
{
    return m_store ? m_store->readText(iniSection(), name, defaultText) : defaultText;
}

void TFormPlacement::writeString(const QString &name, const QString &text)
{
    if (m_store)
        m_store->writeText(iniSection(), name, text);
}

void TFormPlacement::writePlacement()
{
    if (!m_owner)
        return;
    if (m_options & (fpState | fpPosition))
        writePosition();
    if (m_options & fpActiveControl) {
        const QWidget *focused = m_owner->focusWidget();
        if (focused && !focused->objectName().isEmpty())
            writeString(QStringLiteral("ActiveControl"), focused->objectName());
    }
}

void TFormPlacement::readPlacement()
{
    if (!m_owner)
        return;
    if (m_options & fpPosition)
        readPosition();
    if (m_options & fpState)
        readState();
}

void TFormPlacement::writePosition()
{
    const QSize screen = m_owner->screen() ? m_owner->screen()->size() : QSize();
    const QString screenSuffix = QStringLiteral("(%1x%2)").arg(screen.width()).arg(screen.height());
    const int showCommand = m_owner->isMinimized() ? showMinimized : m_owner->isMaximized() ? showMaximized : showNormal;
    const QRect normal = m_owner->normalGeometry().isValid() ? m_owner->normalGeometry() : m_owner->geometry();
    const QString minMax = QStringLiteral("-1,-1,-1,-1");
    m_store->writeInteger(iniSection(), QStringLiteral("Flags"), 0);
    m_store->writeInteger(iniSection(), QStringLiteral("ShowCmd"), showCommand);
    m_store->writeInteger(iniSection(), QStringLiteral("PixelsPerInch"), m_owner->logicalDpiY());
    writeString(QStringLiteral("MinMaxPos"), minMax);
    writeString(QStringLiteral("MinMaxPos") + screenSuffix, minMax);
    writeString(QStringLiteral("NormPos"), rectText(normal));
    writeString(QStringLiteral("NormPos") + screenSuffix, rectText(normal));
    m_store->writeInteger(iniSection(), QStringLiteral("Visible"), m_destroying ? 1 : 0);
}

void TFormPlacement::readPosition()
{
    const QSize screen = m_owner->screen() ? m_owner->screen()->size() : QSize();
    const QString screenSuffix = QStringLiteral("(%1x%2)").arg(screen.width()).arg(screen.height());
    QString normPos = readString(QStringLiteral("NormPos") + screenSuffix, QString());
    if (normPos.isEmpty())
        normPos = readString(QStringLiteral("NormPos"), QString());
    const int pixelsPerInch = m_store->readInteger(iniSection(), QStringLiteral("PixelsPerInch"), 0);
    const auto rect = rectFromText(normPos);
    if (rect && rect->isValid() && pixelsPerInch == m_owner->logicalDpiY())
        m_owner->setGeometry(*rect);
}

void TFormPlacement::readState()
{
    const int showCommand = m_store->readInteger(iniSection(), QStringLiteral("ShowCmd"), showNormal);
    Qt::WindowStates state = m_owner->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (showCommand == showMinimized)
        state |= Qt::WindowMinimized;
    else if (showCommand == showMaximized)
        state |= Qt::WindowMaximized;
    m_owner->setWindowState(state);
}

void TFormPlacement::readActiveControl()
{
    const QString name = readString(QStringLiteral("ActiveControl"), QString());
    if (name.isEmpty())
        return;
    const auto widgets = m_owner->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (widget->objectName().compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (widget->isEnabled() && widget->focusPolicy() != Qt::NoFocus)
            widget->setFocus(Qt::OtherFocusReason);
        return;
    }
}

// Size limits are applied as the window's minimum and maximum size;
// PreventResize fixes the current size and removes the maximise button.
void TFormPlacement::applyWindowLimits()
{
    if (!m_owner)
        return;
    if (m_minMaxInfo.MinTrackWidth > 0 || m_minMaxInfo.MinTrackHeight > 0)
        m_owner->setMinimumSize(m_minMaxInfo.MinTrackWidth, m_minMaxInfo.MinTrackHeight);
    if (m_minMaxInfo.MaxTrackWidth > 0 || m_minMaxInfo.MaxTrackHeight > 0)
        m_owner->setMaximumSize(m_minMaxInfo.MaxTrackWidth > 0 ? m_minMaxInfo.MaxTrackWidth : QWIDGETSIZE_MAX,
                                m_minMaxInfo.MaxTrackHeight > 0 ? m_minMaxInfo.MaxTrackHeight : QWIDGETSIZE_MAX);
    if (m_preventResize) {
        m_owner->setFixedSize(m_owner->size());
        if (m_owner->windowFlags() & Qt::WindowMaximizeButtonHint)
            m_owner->setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    }
}

bool TFormPlacement::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_owner)
        return false;
    if (event->type() == QEvent::Show && !event->spontaneous())
        ownerShown();
    else if (event->type() == QEvent::Close && !m_inCloseQuery)
        return ownerCloseQuery(static_cast<QCloseEvent *>(event));
    return false;
}

void TFormPlacement::ownerShown()
{
    if (!m_loaded)
        loaded();
    if (!m_minMaxInfo.isDefault() || m_preventResize)
        applyWindowLimits();
    if (!m_active)
        return;
    try {
        RestoreWindowSettings();
    } catch (const std::exception &failure) {
        reportFailure(failure);
    }
}

// The window's own close handler decides first; the settings are written
// only when the window really closes.
bool TFormPlacement::ownerCloseQuery(QCloseEvent *event)
{
    const QPointer<TFormPlacement> self(this);
    m_inCloseQuery = true;
    QCoreApplication::sendEvent(m_owner, event);
    if (!self)
        return true;
    m_inCloseQuery = false;
    if (event->isAccepted() && m_active && m_owner && m_owner->testAttribute(Qt::WA_WState_Created)) {
        try {
            SaveWindowSettings();
        } catch (const std::exception &failure) {
            reportFailure(failure);
        }
    }
    return true;
}

void TFormPlacement::ownerDestroying()
{
    if (m_destroyNotified)
        return;
    m_destroyNotified = true;
    if (!m_active || m_saved)
        return;
    m_destroying = true;
    try {
        SaveWindowSettings();
    } catch (const std::exception &failure) {
        reportFailure(failure);
    } catch (...) {
    }
    m_destroying = false;
}

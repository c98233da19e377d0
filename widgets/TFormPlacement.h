#pragma once

#include "Registry.h"
#include "TWinMinMaxInfo.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QCloseEvent;
class SettingsStore;

// The window-attached settings component: it reads its settings when the
// owner window is shown and writes them when the window is closed, and again
// when the window is destroyed without a successful write since the last
// read. The base class keeps the window's position and show state as far as
// Options ask; TFormStorage adds named component properties.
//
// The component watches its owner through an event filter: a show event
// (not a spontaneous one, such as the restore from an icon) runs the read
// pass before the window's own show handler; a close event first goes to the
// window's own handler and, if the close stays accepted, runs the write pass.
// The component is a child of the window and is destroyed with it, which is
// its destroy notification.
//
// Failures of a pass are shown through the error reporter, by default the
// program's general error box; the window shows or closes all the same.
class TFormPlacement : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Active READ active WRITE setActive)
    Q_PROPERTY(QString IniFileName READ iniFileName WRITE setIniFileName)
    Q_PROPERTY(QString IniSection READ iniSection WRITE setIniSection)
    Q_PROPERTY(TPlacementOptions Options READ options WRITE setOptions)
    Q_PROPERTY(bool PreventResize READ preventResize WRITE setPreventResize)
    Q_PROPERTY(TPlacementRegRoot RegistryRoot READ registryRoot WRITE setRegistryRoot)
    Q_PROPERTY(bool UseRegistry READ useRegistry WRITE setUseRegistry)
    Q_PROPERTY(int Version READ version WRITE setVersion)

public:
    enum TPlacementOption {
        fpState = 0x1,
        fpPosition = 0x2,
        fpActiveControl = 0x4,
    };
    Q_DECLARE_FLAGS(TPlacementOptions, TPlacementOption)
    Q_FLAG(TPlacementOptions)

    enum TPlacementRegRoot { prCurrentUser, prLocalMachine, prCurrentConfig, prClassesRoot, prUsers, prDynData };
    Q_ENUM(TPlacementRegRoot)

    using ErrorReporter = std::function<void(const QString &message)>;

    explicit TFormPlacement(QWidget *owner);
    ~TFormPlacement() override;

    QWidget *owner() const { return m_owner; }

    bool active() const { return m_active; }
    void setActive(bool active) { m_active = active; }
    QString iniFileName() const { return m_iniFileName; }
    void setIniFileName(const QString &name) { m_iniFileName = name; }
    // The section of the settings; by default the owner window's class name.
    QString iniSection() const;
    void setIniSection(const QString &section) { m_iniSection = section; }
    TPlacementOptions options() const { return m_options; }
    void setOptions(TPlacementOptions options) { m_options = options; }
    bool preventResize() const { return m_preventResize; }
    void setPreventResize(bool prevent);
    TPlacementRegRoot registryRoot() const { return m_registryRoot; }
    void setRegistryRoot(TPlacementRegRoot root) { m_registryRoot = root; }
    bool useRegistry() const { return m_useRegistry; }
    void setUseRegistry(bool use) { m_useRegistry = use; }
    int version() const { return m_version; }
    void setVersion(int version) { m_version = version; }
    const TWinMinMaxInfo &minMaxInfo() const { return m_minMaxInfo; }
    void setMinMaxInfo(const TWinMinMaxInfo &info);

    // The read pass, run when the owner window is shown.
    void RestoreWindowSettings();
    // The write pass, run when the owner window closes or is destroyed.
    void SaveWindowSettings();

    bool isLoaded() const { return m_loaded; }
    bool isRestored() const { return m_restored; }
    bool isSaved() const { return m_saved; }

    // Done once when the owner window has all its components, at the latest
    // when it is first shown.
    virtual void loaded();

    // What the settings are called where they are kept: the registry key
    // ("Software\DepExport") or the INI file name ("DepExport.INI").
    QString storeName() const;

    // The application's report of a failure; an empty function restores
    // the general error box.
    static void setErrorReporter(ErrorReporter reporter);
    static void reportError(const QString &message);

signals:
    void OnSavePlacement();
    void OnRestorePlacement();

protected:
    // What a derived component overrides: how the placement is written and
    // read, and how each single value goes to and comes from the store.
    virtual void writePlacement();
    virtual void readPlacement();
    virtual QString readString(const QString &name, const QString &defaultText);
    virtual void writeString(const QString &name, const QString &text);

    // The store of the pass that is running; nullptr between passes.
    SettingsStore *store() const { return m_store.get(); }

    bool eventFilter(QObject *watched, QEvent *event) override;
    // The destroy notification; the most derived destructor calls it, so
    // that the write pass still sees the whole component.
    void ownerDestroying();

private:
    std::unique_ptr<SettingsStore> openStore() const;
    void ownerShown();
    bool ownerCloseQuery(QCloseEvent *event);
    void applyWindowLimits();
    void writePosition();
    void readPosition();
    void readState();
    void readActiveControl();

    QPointer<QWidget> m_owner;
    QString m_ownerClassName;
    bool m_active = true;
    QString m_iniFileName;
    QString m_iniSection;
    TPlacementOptions m_options;
    bool m_preventResize = false;
    TPlacementRegRoot m_registryRoot = prCurrentUser;
    bool m_useRegistry = false;
    int m_version = 0;
    TWinMinMaxInfo m_minMaxInfo;

    bool m_loaded = false;
    bool m_restored = false;
    bool m_saved = false;
    bool m_destroying = false;
    bool m_destroyNotified = false;
    bool m_inCloseQuery = false;
    std::unique_ptr<SettingsStore> m_store;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TFormPlacement::TPlacementOptions)

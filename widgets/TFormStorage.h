#pragma once

#include "TFormPlacement.h"

#include <QList>
#include <QPointer>
#include <QStringList>

// The settings component that also keeps named properties of the window's
// components: each StoredProps entry is a component name and a property
// name joined by "." ("rg_version.ItemIndex"), stored under the value name
// component + "_" + declared property name ("rg_version_ItemIndex") in the
// component's section.
//
// Entries are resolved once the window has all its components (at the
// latest when it is first shown): components are looked up by object name
// without case among all of the window's children; an entry that does not
// split at a "." or names no component is dropped. A component destroyed
// before the settings component is passed by.
//
// Reading a property whose value is missing leaves it as it is; a value that
// cannot be read or converted is passed by without a word.
class TFormStorage : public TFormPlacement
{
    Q_OBJECT
    Q_PROPERTY(QStringList StoredProps READ storedProps WRITE setStoredProps)

public:
    explicit TFormStorage(QWidget *owner);
    ~TFormStorage() override;

    QStringList storedProps() const;
    void setStoredProps(const QStringList &entries);

    // Resolves the entries now, for windows that set them after showing.
    void loaded() override;

protected:
    void writePlacement() override;
    void readPlacement() override;
    virtual void writeStoredProps();
    virtual void readStoredProps();

private:
    struct StoredProp
    {
        QString entry;
        QString propertyName;
        QPointer<QObject> component;
    };

    void resolveStoredProps();
    QObject *findComponent(const QString &name) const;

    QList<StoredProp> m_storedProps;
};

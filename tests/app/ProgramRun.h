#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The program itself, started with arguments as scripts start it, with its
// settings and data folders under `home`: its exit code (-1 when it
// crashed or hung) and what it wrote. With `ownLocale` the locale variables
// of the test's own environment (LANG, LANGUAGE, LC_*) are left out, so
// only those of `extra` count.
struct ProgramRun
{
    int exitCode = -1;
    QString out;
    QString err;

    static ProgramRun start(const QString &program, const QStringList &arguments, const QString &home,
                            const QProcessEnvironment &extra = {}, bool ownLocale = false)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &name : env.keys()) {
            if (ownLocale && (name == u"LANG" || name == u"LANGUAGE" || name.startsWith(u"LC_")))
                env.remove(name);
        }
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        env.insert(extra);
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        if (!process.waitForFinished(120000))
            process.kill();
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromLocal8Bit(process.readAllStandardOutput()),
                QString::fromLocal8Bit(process.readAllStandardError())};
    }
};

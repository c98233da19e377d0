#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <optional>

// The program itself, started with arguments as scripts start it, with its
// settings and data folders under `home`: its exit code (-1 when it
// crashed or hung) and what it wrote. `locale` (NAME=VALUE settings), when
// given, takes the place of the locale variables of the test's own
// environment (an empty list: none at all).
struct ProgramRun
{
    int exitCode = -1;
    QString out;
    QString err;

    // The program under test: $DEPEXPORT_PROGRAM (the command-line program
    // depexport in the tests run against it), else the DepExport the test
    // was built with.
    static QString program()
    {
        return qEnvironmentVariable("DEPEXPORT_PROGRAM", QStringLiteral(DEPEXPORT_BINARY));
    }

    static ProgramRun start(const QString &program, const QStringList &arguments, const QString &home,
                            const std::optional<QStringList> &locale = std::nullopt)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (locale) {
            for (const QString &name : env.keys()) {
                if (name == u"LANG" || name == u"LANGUAGE" || name.startsWith(u"LC_"))
                    env.remove(name);
            }
            for (const QString &setting : *locale)
                env.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
        }
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        if (!process.waitForFinished(120000))
            process.kill();
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromLocal8Bit(process.readAllStandardOutput()),
                QString::fromLocal8Bit(process.readAllStandardError())};
    }
};

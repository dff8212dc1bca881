#pragma once

// The whole program on virtual time with a recording simulated client,
// scripted dialogs and a fresh configuration folder: what the window tests
// drive.

#include "platform/Dialogs.h"
#include "core/Form6.h"
#include "app/Program.h"
#include "platform/ProfileIni.h"
#include "platform/Shell.h"
#include "platform/sim/SimClient.h"
#include "platform/VirtualScheduler.h"

#include <QDir>
#include <QTemporaryDir>
#include <memory>

namespace gavelry::test {

class TestRig {
public:
    explicit TestRig(const QDateTime &start = QDateTime(QDate(2026, 1, 5), QTime(12, 0, 0)),
                     const QString &localCallsign = QStringLiteral("N0CALL-L"))
        : scheduler(start), client(scheduler, localCallsign), factory(client)
    {
        client.setLinkDelay(500);
    }

    QString configDir() const { return m_dir.path(); }
    /// Writes KEY=VALUE into section SETTINGS of file in the configuration folder.
    void ini(const QString &file, const QString &key, const QString &value)
    {
        ProfileIni f(QDir(configDir()).filePath(file));
        f.set(QStringLiteral("SETTINGS"), key, value);
        f.save();
    }
    QString iniValue(const QString &file, const QString &key) const
    {
        return ProfileIni(QDir(configDir()).filePath(file)).get(QStringLiteral("SETTINGS"), key, QStringLiteral("<missing>"));
    }

    /// Builds the program (not yet started).
    Program &build()
    {
        program = std::make_unique<Program>(scheduler, factory, dialogs, shell, configDir());
        QObject::connect(program.get(), &Program::ended, [this] { ++endings; });
        return *program;
    }
    /// Builds and starts the program, then lets the first tick of time pass.
    Program &start()
    {
        if (!program)
            build();
        program->start();
        return *program;
    }
    Form6 &form6() { return program->form6(); }
    /// Ends the program as closing it does, lets downMs pass with the
    /// client still running, and starts it again on the same folder.
    Program &restart(qint64 downMs = 0)
    {
        program->endForRestart();
        program.reset();
        advance(downMs);
        build();
        return start();
    }

    void advance(qint64 ms) { scheduler.advanceBy(ms); }
    QStringList sent() const { return client.sentLines(); }
    /// The client operations since the last clearRecords(), "kind arg" each.
    QStringList operations() const
    {
        QStringList ops;
        for (const SimClient::Record &r : client.records())
            ops.append(r.arg.isEmpty() ? r.kind : r.kind + u' ' + r.arg);
        return ops;
    }

    VirtualScheduler scheduler;
    SimClient client;
    SimClientFactory factory;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    std::unique_ptr<Program> program;
    int endings = 0;

private:
    QTemporaryDir m_dir;
};

} // namespace gavelry::test

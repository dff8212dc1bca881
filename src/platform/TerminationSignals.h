#pragma once

#include <QObject>

class QSocketNotifier;

namespace gavelry {

/// SIGTERM, SIGINT and SIGHUP (a service manager stopping the program,
/// Ctrl+C, the terminal going away) turned into a Qt signal on the GUI
/// thread, so that the program ends through its usual way out instead of
/// dying in the middle of a handler. The signal handler only writes a byte
/// to a pipe; everything else happens in the event loop. A SIGHUP ignored
/// from the start (nohup) stays ignored.
///
/// SIGPIPE is ignored from then on, for good: a reader of standard error
/// (or a peer) that goes away makes a write fail, never ends the program.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

    /// False when the pipe or the handlers could not be set up.
    bool isActive() const { return m_notifier != nullptr; }

signals:
    /// signalNumber arrived; a second one while the first is handled is
    /// taken as the same request.
    void terminationRequested(int signalNumber);

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
    /// SIGHUP was taken over (it was not ignored when this began).
    bool m_hangUp = false;
};

} // namespace gavelry

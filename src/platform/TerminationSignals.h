#pragma once

#include <QObject>

class QSocketNotifier;

namespace gavelry {

/// SIGTERM and SIGINT (a service manager stopping the program, Ctrl+C) turned
/// into a Qt signal on the GUI thread, so that the program ends through its
/// usual way out instead of dying in the middle of a handler. The signal
/// handler only writes a byte to a pipe; everything else happens in the
/// event loop.
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
};

} // namespace gavelry

#pragma once

#include "platform/Scheduler.h"

#include <QElapsedTimer>

namespace gavelry {

/// Wall-clock driver: precise QTimers and the system's local time.
class RealScheduler : public Scheduler {
    Q_OBJECT
public:
    explicit RealScheduler(QObject *parent = nullptr);

    QDateTime now() const override;
    QDateTime utcNow() const override;
    qint64 elapsedMs() const override;
    Timer *createTimer(QObject *parent) override;
    void callAfter(int delayMs, QObject *context, std::function<void()> fn) override;
    bool isVirtual() const override { return false; }

private:
    QElapsedTimer m_elapsed;
};

} // namespace gavelry

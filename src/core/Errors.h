#pragma once

#include "core/AppContext.h"

#include <QString>
#include <exception>

namespace gavelry {

/// Runs one statement; a failure is reported and the caller goes on with the
/// next one. This is how the periodic jobs run: a statement that fails is
/// skipped, the rest of the job still runs.
template <class F>
void skipOnError(const AppContext &ctx, F &&statement) noexcept
{
    try {
        statement();
    } catch (const std::exception &e) {
        ctx.report(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ctx.report(QStringLiteral("Unknown failure"));
    }
}

/// Runs a whole handler that stops at its first failure: the failure is
/// reported once and never leaves the handler into the event loop.
template <class F>
void stopOnError(const AppContext &ctx, F &&handler) noexcept
{
    skipOnError(ctx, std::forward<F>(handler));
}

} // namespace gavelry

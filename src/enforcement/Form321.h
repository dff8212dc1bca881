#pragma once

#include "WindowRegistry.h"

namespace gavelry {

/// The timed ban window: un-mute and un-ban slots and the weekly auto-ban.
class Form321 : public TimedBanWindow {
    Q_OBJECT
public:
    explicit Form321(AppContext &ctx, QWidget *parent = nullptr);

    bool timedMuteHandOver(const QString &call) override;
    bool timedBanHandOver(const QString &call) override;

protected:
    void Form_Load() override;
};

} // namespace gavelry

#pragma once

#include <QString>

namespace gavelry {

/// What a station may change of the talk-time limit from afar (the chat's
/// remote switches): the limit on or off, and its minutes.
class TalkTimeSwitch {
public:
    /// Ticks or clears "Talk-time limit on" as the operator would.
    virtual void switchRemotely(bool on) = 0;
    /// Puts minutes into the limit box as if typed.
    virtual void setLimitRemotely(const QString &minutes) = 0;

protected:
    ~TalkTimeSwitch() = default;
};

} // namespace gavelry

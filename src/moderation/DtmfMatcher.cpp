#include "moderation/DtmfMatcher.h"

namespace gavelry::dtmf {

namespace {

bool matches(const QString &sequence, const QString &code)
{
    return !code.isEmpty() && sequence == code;
}

template <std::size_t N>
void matchRows(QList<Action> &actions, Kind kind, const QString &sequence, const std::array<QString, N> &codes)
{
    for (std::size_t i = 0; i < N; ++i)
        if (matches(sequence, codes[i]))
            actions.append({kind, static_cast<int>(i), {}});
}

} // namespace

QList<Action> match(const QString &sequence, const Codes &codes)
{
    QList<Action> actions;
    const QString &prefix = codes.connectPrefix;
    if (!prefix.isEmpty() && sequence.startsWith(prefix))
        actions.append({Kind::ConnectNode, -1, sequence.mid(prefix.size())});
    if (matches(sequence, codes.stayConnectedToggle))
        actions.append({Kind::ToggleStayConnected, -1, {}});
    for (int i = 0; i < 4; ++i) {
        if (matches(sequence, codes.profiles[static_cast<std::size_t>(i)])) {
            actions.append({Kind::SelectProfile, i, {}});
            return actions;
        }
    }
    matchRows(actions, Kind::Mute, sequence, codes.mute);
    matchRows(actions, Kind::Unmute, sequence, codes.unmute);
    if (matches(sequence, codes.unmuteAll))
        actions.append({Kind::UnmuteAll, -1, {}});
    matchRows(actions, Kind::Disconnect, sequence, codes.disconnect);
    matchRows(actions, Kind::Connect, sequence, codes.connect);
    if (matches(sequence, codes.repeaterDisconnect))
        actions.append({Kind::DisconnectTalking, -1, {}});
    return actions;
}

bool isKeypadText(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool keypad = (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'D') || u == u'*' || u == u'#';
        if (!keypad)
            return false;
    }
    return true;
}

QString describe(const Action &action)
{
    QString name;
    switch (action.kind) {
    case Kind::ConnectNode: return QStringLiteral("connect-node ") + action.text;
    case Kind::ToggleStayConnected: return QStringLiteral("toggle-stay-connected");
    case Kind::SelectProfile: name = QStringLiteral("profile"); break;
    case Kind::Mute: name = QStringLiteral("mute"); break;
    case Kind::Unmute: name = QStringLiteral("unmute"); break;
    case Kind::UnmuteAll: return QStringLiteral("unmute-all");
    case Kind::Disconnect: name = QStringLiteral("disconnect"); break;
    case Kind::Connect: name = QStringLiteral("connect"); break;
    case Kind::DisconnectTalking: return QStringLiteral("disconnect-talking");
    }
    return name + u' ' + QString::number(action.row + 1);
}

} // namespace gavelry::dtmf

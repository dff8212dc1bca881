#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace gavelry {

class Dialogs;
enum class MsgIcon;

/// Opens a web address or a file with the desktop's handler. The result
/// follows the shell-execute convention the URL opener interprets: above 32
/// is success, 31 no associated program, 2 file not found, 3 path not found,
/// 0 out of resources.
class Shell {
public:
    enum : int { Success = 42, NoAssociation = 31, FileNotFound = 2, PathNotFound = 3, OutOfResources = 0 };
    virtual ~Shell() = default;
    virtual int open(const QString &target) = 0;

    /// Hands address (a web address or a file name) to the desktop and tells
    /// the operator, in a box titled title, when that failed. Returns the
    /// result code.
    int OpenURL(const QString &address, Dialogs &dialogs, const QString &title);
};

/// What the operator is told about a result code: the text and the box's
/// icon, or nothing on success.
struct OpenUrlMessage {
    QString text;
    MsgIcon icon;
};
std::optional<OpenUrlMessage> openUrlMessage(int code, const QString &address);

/// The desktop's handler through QDesktopServices; never a shell command line.
class DesktopShell : public Shell {
public:
    int open(const QString &target) override;
};

/// Records what was opened and answers with a set result.
class RecordingShell : public Shell {
public:
    int open(const QString &target) override
    {
        opened.append(target);
        if (m_observer)
            m_observer(target);
        if (m_next) {
            const int once = *m_next;
            m_next.reset();
            return once;
        }
        return result;
    }
    /// The result of the next open only; later ones give result again.
    void setNextResult(int code) { m_next = code; }
    /// Called with every target handed over (the scenario transcript hooks in here).
    void setObserver(std::function<void(const QString &)> observer) { m_observer = std::move(observer); }

    QStringList opened;
    int result = Success;

private:
    std::optional<int> m_next;
    std::function<void(const QString &)> m_observer;
};

} // namespace gavelry

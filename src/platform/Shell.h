#pragma once

#include <QString>
#include <QStringList>

namespace gavelry {

/// Opens a web address or a file with the desktop's handler. The result
/// follows the shell-execute convention the URL opener interprets: above 32
/// is success, 31 no associated program, 2 file not found, 3 path not found,
/// 0 out of resources.
class Shell {
public:
    enum : int { Success = 42, NoAssociation = 31, FileNotFound = 2, PathNotFound = 3 };
    virtual ~Shell() = default;
    virtual int open(const QString &target) = 0;
};

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
        return result;
    }
    QStringList opened;
    int result = Success;
};

} // namespace gavelry

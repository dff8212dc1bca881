#pragma once

#include <QString>
#include <memory>

class QLockFile;

namespace gavelry {

/// One running copy of the program per configuration folder. The lock is a
/// file in that folder (or, when the folder cannot be written, in the
/// temporary folder under a name derived from its path); a lock left behind by
/// a copy that crashed is taken over.
class SingleInstance {
public:
    explicit SingleInstance(const QString &configDir);
    ~SingleInstance();
    /// True when this process now holds the lock.
    bool acquire();

private:
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace gavelry

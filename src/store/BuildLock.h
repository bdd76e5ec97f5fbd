#pragma once

#include <QString>

namespace orv {

// The advisory lock that a build holds on the libraries database while it writes it: the file
// "<database>.lock" beside it, locked with flock() and holding the name of the library being built.
// The system lets go of it when the holder ends, however it ends.
class BuildLock {
public:
    BuildLock() = default;
    ~BuildLock() { release(); }
    BuildLock(const BuildLock&) = delete;
    BuildLock& operator=(const BuildLock&) = delete;

    // Takes the lock for a build of `library`. False when another build holds it; `holder` then
    // names the library that build is making (empty when the lock file does not say).
    bool take(const QString& databasePath, const QString& library, QString& holder);
    void release();

private:
    int fd_ = -1;
};

}  // namespace orv

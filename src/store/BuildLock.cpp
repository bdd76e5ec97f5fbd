#include "store/BuildLock.h"

#include <QByteArray>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace orv {

bool BuildLock::take(const QString& databasePath, const QString& library, QString& holder) {
    release();
    const QByteArray path = QFile::encodeName(databasePath + QStringLiteral(".lock"));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    // A folder where no lock file can be made holds no other build's lock either.
    if (fd < 0) return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        char name[512];
        const ssize_t got = ::pread(fd, name, sizeof name, 0);
        holder = got > 0 ? QString::fromUtf8(name, got) : QString();
        ::close(fd);
        return false;
    }
    const QByteArray name = library.toUtf8();
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, name.constData(), name.size(), 0) != name.size()) holder.clear();
    fd_ = fd;
    return true;
}

void BuildLock::release() {
    if (fd_ < 0) return;
    ::close(fd_);  // closing the only descriptor lets go of the lock
    fd_ = -1;
}

}  // namespace orv

#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

#include <csignal>
#include <ftw.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv::test {

// Removes a folder and all it holds, also names QDir cannot remove (not UTF-8) and entries it passes
// over (a FIFO). In this process: a child started through QProcess hides the starting thread's locks
// from ThreadSanitizer from then on (scripts/tsan.sh).
inline void RemoveTree(const QString& folder) {
    nftw(
        QFile::encodeName(folder).constData(),
        [](const char* path, const struct stat*, int type, FTW*) {
            return type == FTW_DP ? rmdir(path) : unlink(path);
        },
        16, FTW_DEPTH | FTW_PHYS);
}

// Writes `bytes` as the whole of a file; false when it cannot.
inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The bytes of a file; empty when it cannot be read.
inline QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The files a folder holds, hidden ones (and so any temporary file) included, by name.
inline QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// What lstat() says of a path; a failure of the test when it says nothing.
inline struct stat statOf(const QString& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
    return info;
}

// While it lives, writes past `limit` bytes of any file fail, as on a disk that is full.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit small = saved_;
        small.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*handler_)(int);
};

// While it lives, QDir::tempPath() (where in-place writes keep their safety copies) is `folder`.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const QString& folder) : saved_(qgetenv("TMPDIR")) {
        QDir().mkpath(folder);
        qputenv("TMPDIR", QFile::encodeName(folder));
    }
    ~TemporaryFolder() { qputenv("TMPDIR", saved_); }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

private:
    QByteArray saved_;
};

}  // namespace orv::test

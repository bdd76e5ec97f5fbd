#pragma once

#include "builder/UpdateDatabase.h"
#include "support/Files.h"
#include "support/TestProgram.h"
#include "tags/Mp3Fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace orv::test {

// A music folder made in the test, and a program over a temporary program folder that builds it.
struct BuildFixture : ::testing::Test {
    ~BuildFixture() override { RemoveTree(musicDir.path()); }

    QString music(const QString& relative = QString()) const { return musicDir.path() + "/" + relative; }

    // Writes a file, making its folders.
    QString put(const QString& relative, const QByteArray& bytes) {
        const QString path = music(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        EXPECT_TRUE(WriteFile(path, bytes)) << path.toStdString();
        return path;
    }
    // An MP3 file with an ID3v2 tag giving its title and artist.
    QString mp3(const QString& relative, const QString& title, const QString& artist = "Some Band") {
        return put(relative, ID3v2Bytes().text("TIT2", title).text("TPE1", artist).text("TALB", "An Album").bytes() +
                                 SilentFrames(3));
    }
    // An MP3 file with an ID3v1 tag only.
    QString mp3v1(const QString& relative, const QString& title) {
        return put(relative, SilentFrames(3) + ID3v1Bytes{title, "Old Band", "Old Album", "1971", "", 2, 17}.bytes());
    }
    // Sets a file's last-write time.
    static void setTime(const QString& path, qint64 seconds, long nanoseconds = 0) {
        const struct timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    }

    BuildOptions options() const {
        BuildOptions o;
        o.musicPath = musicDir.path();
        o.library = "MusicLibrary1";
        return o;
    }
    BuildSummary build() { return UpdateDatabase(program.state, options()); }
    BuildSummary build(const BuildOptions& o) { return UpdateDatabase(program.state, o); }

    // One line per record: "FileName|Artist|Title", sorted.
    QStringList records(const QString& columns = "FileName || '|' || Artist || '|' || Title") const {
        QStringList rows = program.column("OrvLibraries81.mdb", "SELECT " + columns + " FROM MusicLibrary1");
        rows.sort();
        return rows;
    }
    // The texts of the messages shown.
    QStringList messages() const {
        QStringList texts;
        for (const DialogContent& m : program.ui.messages) texts << m.message;
        return texts;
    }

    TestProgram program;
    QTemporaryDir musicDir;
};

}  // namespace orv::test

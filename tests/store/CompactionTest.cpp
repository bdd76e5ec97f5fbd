#include "store/Compaction.h"
#include "store/DataAccess.h"
#include "store/Database.h"
#include "support/TestProgram.h"

#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orv {
namespace {

using test::TestProgram;

ino_t InodeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

void FillLibrary(TestProgram& p, int rows) {
    p.sql("OrvLibraries81.mdb", QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                        "INSERT INTO MusicLibrary1 (Artist, Title, Filename) "
                                        "SELECT 'Artist ' || i, printf('%.300c', 'x'), '/music/' || i || '.mp3' FROM n")
                                    .arg(rows));
}

TEST(Compaction, KeepsEveryRowAndShrinksTheFile) {
    TestProgram p;
    FillLibrary(p, 3000);
    p.sql("OrvLibraries81.mdb", "DELETE FROM MusicLibrary1 WHERE rowid > 100");
    const QString library = p.file("OrvLibraries81.mdb");
    const qint64 before = QFileInfo(library).size();
    QFile::setPermissions(library, QFile::ReadOwner | QFile::WriteOwner);

    CompactDatabases(p.state);

    EXPECT_LT(QFileInfo(library).size(), before);
    EXPECT_EQ(p.column("OrvLibraries81.mdb", "SELECT count(*) FROM MusicLibrary1"), QStringList{"100"});
    EXPECT_EQ(p.column("OrvSettings.mdb", "SELECT SettingValue FROM Settings WHERE SettingName = 'InitialUse'"),
              QStringList{"True"});
    EXPECT_EQ(QFileInfo(library).permissions() & (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther),
              QFile::ReadOwner | QFile::WriteOwner);
    for (const char* name : {"Orvella81.mdb2", "OrvSettings.mdb2", "OrvLibraries81.mdb2"})
        EXPECT_FALSE(QFile::exists(p.file(name)));
}

TEST(Compaction, RemovesALeftoverTemporaryFileFirst) {
    TestProgram p;
    QFile leftover(p.file("Orvella81.mdb2"));
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.write("half a database");
    leftover.close();
    const ino_t before = InodeOf(p.file("Orvella81.mdb"));

    CompactDatabases(p.state);

    EXPECT_FALSE(QFile::exists(p.file("Orvella81.mdb2")));
    EXPECT_NE(InodeOf(p.file("Orvella81.mdb")), before) << "the main database was compacted after the cleanup";
    EXPECT_EQ(p.column("Orvella81.mdb", "SELECT SettingValue FROM Skins"), QStringList{"8388672"});
}

TEST(Compaction, LeavesAFileThatAConnectionStillHolds) {
    TestProgram p;
    p.state.run.SharedLibraryConnection = std::make_shared<Connection>(p.state.paths.LibrariesDatabasePath);
    const ino_t held = InodeOf(p.state.paths.LibrariesDatabasePath);
    const ino_t settings = InodeOf(p.state.paths.SettingsDatabasePath);

    CompactDatabases(p.state);

    EXPECT_EQ(InodeOf(p.state.paths.LibrariesDatabasePath), held);
    EXPECT_NE(InodeOf(p.state.paths.SettingsDatabasePath), settings);
    EXPECT_TRUE(ExecuteSQLCommand(p.state, "INSERT INTO MusicLibrary1 (Title) VALUES ('kept')", Db::Libraries));
    p.state.run.SharedLibraryConnection.reset();
    EXPECT_EQ(p.column("OrvLibraries81.mdb", "SELECT Title FROM MusicLibrary1"), QStringList{"kept"});
}

TEST(Compaction, MissingDatabasesStayMissing) {
    TestProgram p;
    ASSERT_TRUE(QFile::remove(p.state.paths.MainDatabasePath));
    CompactDatabases(p.state);
    EXPECT_FALSE(QFile::exists(p.state.paths.MainDatabasePath));
    EXPECT_FALSE(QFile::exists(p.state.paths.MainDatabasePath + "2"));
    EXPECT_TRUE(p.ui.messages.isEmpty());
}

// A compaction killed at any moment leaves the database whole: the old file or the new one.
TEST(Compaction, AKilledCompactionLeavesAWholeDatabase) {
    TestProgram p;
    FillLibrary(p, 20000);
    const QString library = p.state.paths.LibrariesDatabasePath;
    for (int attempt = 0; attempt < 12; ++attempt) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) compactDatabase(library);
        }
        ::usleep(static_cast<useconds_t>(3000 + attempt * 7000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);

        Connection check(library);
        const auto integrity = check.query("PRAGMA integrity_check");
        ASSERT_EQ(integrity.values.at(0).at(0).toString(), "ok") << "attempt " << attempt;
        ASSERT_EQ(check.query("SELECT count(*) FROM MusicLibrary1").values.at(0).at(0).toInt(), 20000);
    }
    EXPECT_TRUE(compactDatabase(library));
    EXPECT_FALSE(QFile::exists(library + "2"));
}

}  // namespace
}  // namespace orv

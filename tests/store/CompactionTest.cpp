#include "store/Compaction.h"
#include "store/DataAccess.h"
#include "store/Database.h"
#include "support/Files.h"
#include "support/TestProgram.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <gtest/gtest.h>
#include <poll.h>
#include <sqlite3.h>
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

// Leaves the libraries database with free pages: 100 rows kept of 3000.
void LeaveFreePages(TestProgram& p) {
    FillLibrary(p, 3000);
    p.sql("OrvLibraries81.mdb", "DELETE FROM MusicLibrary1 WHERE rowid > 100");
}

// The pages a compaction gives back: none once a database is compacted.
int FreePages(const TestProgram& p, const QString& file) {
    return p.column(file, "PRAGMA freelist_count").value(0).toInt();
}

// Leaves free pages in a database of the folder: a table made and dropped.
void AddFreePages(const TestProgram& p, const QString& file) {
    p.sql(file,
          "CREATE TABLE Filler AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100) "
          "SELECT printf('%.3000c', 'x') AS x FROM n");
    p.sql(file, "DROP TABLE Filler");
    ASSERT_GT(FreePages(p, file), 0);
}

// A connection of another program (the player's), straight through the engine.
struct OtherConnection {
    explicit OtherConnection(const QString& path) {
        EXPECT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    }
    ~OtherConnection() { sqlite3_close(db); }
    int run(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
    std::string error() const { return sqlite3_errmsg(db); }
    sqlite3* db = nullptr;
};

TEST(Compaction, KeepsEveryRowAndShrinksTheFile) {
    TestProgram p;
    LeaveFreePages(p);
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

// A build's end leaves a database without free pages byte for byte as it is.
TEST(Compaction, AtABuildsEndOnlyDatabasesWithFreePagesAreCompacted) {
    for (const bool buildsEnd : {true, false}) {
        TestProgram p;
        LeaveFreePages(p);
        const auto bytes = [&p] {
            QFile main(p.state.paths.MainDatabasePath);
            return main.open(QIODevice::ReadOnly) ? main.readAll() : QByteArray();
        };
        const QByteArray before = bytes();
        CompactDatabases(p.state, buildsEnd);
        EXPECT_EQ(FreePages(p, "OrvLibraries81.mdb"), 0) << buildsEnd;
        EXPECT_EQ(bytes() == before, buildsEnd) << buildsEnd;
    }
}

TEST(Compaction, RemovesALeftoverTemporaryFileFirst) {
    TestProgram p;
    AddFreePages(p, "Orvella81.mdb");
    ASSERT_TRUE(test::WriteFile(p.file("Orvella81.mdb2"), "half a database"));

    CompactDatabases(p.state);

    EXPECT_FALSE(QFile::exists(p.file("Orvella81.mdb2")));
    EXPECT_EQ(FreePages(p, "Orvella81.mdb"), 0) << "the main database was compacted after the cleanup";
    EXPECT_EQ(p.column("Orvella81.mdb", "SELECT SettingValue FROM Skins"), QStringList{"8388672"});
}

// The player keeps its connections open while the Configurator compacts: they stay valid, in place.
TEST(Compaction, OtherConnectionsStayValidAndKeepWriting) {
    TestProgram p;
    LeaveFreePages(p);
    const QString library = p.state.paths.LibrariesDatabasePath;
    const ino_t before = InodeOf(library);
    OtherConnection player(library);
    ASSERT_EQ(player.run("SELECT count(*) FROM MusicLibrary1"), SQLITE_OK);

    CompactDatabases(p.state);

    EXPECT_EQ(FreePages(p, "OrvLibraries81.mdb"), 0);
    EXPECT_EQ(InodeOf(library), before);
    EXPECT_EQ(player.run("INSERT INTO MusicLibrary1 (Title) VALUES ('played')"), SQLITE_OK) << player.error();

    // The build run's own connection, idle, stays valid too.
    p.state.run.SharedLibraryConnection = std::make_shared<Connection>(library);
    CompactDatabases(p.state);
    EXPECT_TRUE(ExecuteSQLCommand(p.state, "INSERT INTO MusicLibrary1 (Title) VALUES ('kept')", Db::Libraries));
    p.state.run.SharedLibraryConnection.reset();
    EXPECT_EQ(p.column("OrvLibraries81.mdb", "SELECT Title FROM MusicLibrary1 WHERE rowid > 100 ORDER BY rowid"),
              (QStringList{"played", "kept"}));
}

TEST(Compaction, ADatabaseThatAnotherConnectionReadsOrWritesIsLeftAsItWas) {
    TestProgram p;
    LeaveFreePages(p);
    const QString library = p.state.paths.LibrariesDatabasePath;
    const int free = FreePages(p, "OrvLibraries81.mdb");
    OtherConnection player(library);
    for (const char* begin : {"BEGIN; SELECT count(*) FROM MusicLibrary1;", "BEGIN IMMEDIATE;"}) {
        ASSERT_EQ(player.run(begin), SQLITE_OK) << begin;
        EXPECT_FALSE(compactDatabase(library)) << begin;
        EXPECT_EQ(FreePages(p, "OrvLibraries81.mdb"), free) << begin;
        ASSERT_EQ(player.run("COMMIT"), SQLITE_OK);
    }
    EXPECT_TRUE(compactDatabase(library));
    EXPECT_EQ(p.column("OrvLibraries81.mdb", "SELECT count(*) FROM MusicLibrary1"), QStringList{"100"});
}

TEST(Compaction, KeepsWalModeLinksAndReadOnlyFilesAsTheyAre) {
    TestProgram p;
    LeaveFreePages(p);
    p.sql("OrvSettings.mdb", "PRAGMA journal_mode = WAL");
    // The libraries database is reached through a link to a file elsewhere.
    const QString library = p.state.paths.LibrariesDatabasePath;
    ASSERT_TRUE(QDir(p.dir.path()).mkdir("elsewhere"));
    const QString target = p.file("elsewhere/Libraries.db");
    ASSERT_TRUE(QFile::rename(library, target));
    ASSERT_TRUE(QFile::link(target, library));
    // The main database may not be written.
    const QString main = p.state.paths.MainDatabasePath;
    AddFreePages(p, "Orvella81.mdb");
    QFile mainFile(main);
    ASSERT_TRUE(mainFile.open(QIODevice::ReadOnly));
    const QByteArray mainBytes = mainFile.readAll();
    mainFile.close();
    ASSERT_EQ(::chmod(QFile::encodeName(main).constData(), 0444), 0);

    // The libraries database, which the builds write in WAL mode, is compacted under a reader (the
    // player), who keeps reading what it began with.
    p.sql("OrvLibraries81.mdb", "PRAGMA journal_mode = WAL");
    OtherConnection player(library);
    ASSERT_EQ(player.run("BEGIN; SELECT count(*) FROM MusicLibrary1;"), SQLITE_OK);

    CompactDatabases(p.state);

    EXPECT_EQ(player.run("SELECT 1 FROM MusicLibrary1 WHERE rowid = 100; COMMIT"), SQLITE_OK) << player.error();
    EXPECT_EQ(p.column("OrvLibraries81.mdb", "PRAGMA journal_mode"), QStringList{"wal"});
    EXPECT_EQ(p.column("OrvSettings.mdb", "PRAGMA journal_mode"), QStringList{"wal"});
    EXPECT_TRUE(QFileInfo(library).isSymLink());
    EXPECT_EQ(FreePages(p, "OrvLibraries81.mdb"), 0);
    EXPECT_EQ(p.column("OrvLibraries81.mdb", "SELECT count(*) FROM MusicLibrary1"), QStringList{"100"});
    ASSERT_TRUE(mainFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(mainFile.readAll(), mainBytes);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(main).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0444u);
    EXPECT_TRUE(p.ui.messages.isEmpty());
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
        // The child says when its compactions begin; the kill falls a little later each time.
        int begun[2];
        ASSERT_EQ(::pipe(begun), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::write(begun[1], "c", 1) != 1) ::_exit(1);
            for (;;) compactDatabase(library);
        }
        ::close(begun[1]);
        pollfd started{begun[0], POLLIN, 0};
        EXPECT_EQ(::poll(&started, 1, 30000), 1) << "attempt " << attempt << ": no compaction began";
        ::close(begun[0]);
        ::usleep(static_cast<useconds_t>(attempt * 7000));
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

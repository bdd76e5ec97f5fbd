// The Windows version's Jet databases, read from real Access files (fixtures/jet, see its README).
// The expected values are those mdb-export prints, in the store's own forms.
#include "store/JetReader.h"
#include "support/Cli.h"
#include "support/Files.h"
#include "support/TestProgram.h"
#include "tags/Mp3Fixture.h"

#include <QFile>
#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace orv {
namespace {

using test::Cli;
using test::CliHome;
using test::FileBytes;
using test::QueryColumn;
using test::WriteFile;

QByteArray fixture(const char* name) {
    return FileBytes(QStringLiteral(ORVELLA_JET_FIXTURES "/") + name);
}

QByteArray utf16(const char16_t* text) {
    return QByteArray(reinterpret_cast<const char*>(text),
                      static_cast<qsizetype>(std::char_traits<char16_t>::length(text) * 2));
}

const char* const kTable1 =
    "SELECT quote(A)||'|'||quote(B)||'|'||C||'|'||D||'|'||E||'|'||quote(F)||'|'||quote(G)||'|'||H||'|'||quote(I) "
    "FROM Table1 ORDER BY A";
const QStringList kTable1Rows{"'a'|'b'|0|0|0|0.0|'1981-12-12'|0|'False'",
                              "'abcdefg'|'hijklmnop'|2|222|333333333|444.555|'1974-09-21'|3.5|'True'"};
const char* const kTypes = "SELECT group_concat(name||' '||type, ', ') FROM pragma_table_info('%1')";
const QString kTable1Types =
    "A Text(50), B Text(100), C Byte, D INTEGER, E Long, F Double, G DateTime, H Currency, I YesNo";

// What Qt prints for another thread during a read is not taken for libmdb's word on the file.
TEST(JetImport, MessagesOfOtherThreadsDuringAReadAreNoFailure) {
    std::atomic<bool> reading{true};
    std::thread other([&reading] {
        while (reading) qInfo("another thread");
    });
    for (int i = 0; i < 20; ++i)
        EXPECT_NO_THROW(JetDatabase{QStringLiteral(ORVELLA_JET_FIXTURES "/jet4-tables.mdb")}) << "read " << i;
    reading = false;
    other.join();
}

TEST(JetImport, EveryTableRowAndValueArrivesAsMdbExportShowsIt) {
    struct Case {
        const char* fixture;
        QByteArray find, replace;  // a text of the file changed first
        QString tables;            // what jet-import prints
        std::vector<std::pair<QString, QStringList>> queries;
    };
    const QString tables = "Table1\t2\nTable2\t0\nTable3\t0\nTable4\t0\n";
    const Case cases[] = {
        {"jet3-tables.mdb",
         {},
         {},
         tables,
         {{kTable1, kTable1Rows},
          {QString(kTypes).arg("Table1"), {kTable1Types}},
          {QString(kTypes).arg("Table4"), {"name Text(50), data GUID"}},
          {"SELECT count(*) FROM pragma_table_info('Table2')", {"89"}}}},
        {"jet4-tables.mdb", {}, {}, tables, {{kTable1, kTable1Rows}, {QString(kTypes).arg("Table1"), {kTable1Types}}}},
        {"jet4-numbers.mdb",
         {},
         {},
         "test\t1\n",
         {{"SELECT quote(col1)||'|'||col2||'|'||col3||'|'||col4||'|'||col5||'|'||col6||'|'||col7 FROM test",
           {"'some data'|1|0|0|4|-1|1"}},
          {QString(kTypes).arg("test"),
           {"col1 LongText, col2 Decimal(18,0), col3 Decimal(18,0), col4 Decimal(18,0), "
            "col5 Decimal(18,0), col6 Decimal(18,0), col7 Decimal(18,0)"}}}},
        // The password does not stop the reading.
        {"jet4-password.mdb",
         {},
         {},
         "Table1\t3\n",
         {{"SELECT ID||'|'||Data FROM Table1 ORDER BY ID", {"1|One", "2|Two", "3|Three"}},
          {QString(kTypes).arg("Table1"), {"ID Long, Data Text(255)"}}}},
        {"jet4-empty.mdb", {}, {}, "", {{"SELECT count(*) FROM sqlite_master", {"0"}}}},
        // Jet 3 text is Windows code page 1252 (0x80 is the euro sign there), Jet 4 text UCS-2.
        {"jet3-tables.mdb",
         "hijklmnop",
         "h\xE9\x80klmnop",
         tables,
         {{"SELECT B FROM Table1 ORDER BY A", {"b", "h\u00E9\u20ACklmnop"}}}},
        {"jet4-tables.mdb",
         utf16(u"hijklmnop"),
         utf16(u"h\u00E9\u20ACklmnop"),
         tables,
         {{"SELECT B FROM Table1 ORDER BY A", {"b", "h\u00E9\u20ACklmnop"}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture + std::string(" ") + c.replace.toStdString());
        QTemporaryDir dir;
        const QString path = dir.filePath("Copied.mdb");
        QByteArray bytes = fixture(c.fixture);
        if (!c.find.isEmpty()) bytes.replace(c.find, c.replace);
        ASSERT_TRUE(WriteFile(path, bytes));
        const test::CliRun run = Cli(dir.path(), {"jet-import", path});
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, c.tables);
        EXPECT_EQ(FileBytes(path + ".jet"), bytes);
        for (const auto& [query, rows] : c.queries) EXPECT_EQ(QueryColumn(path, query), rows) << query.toStdString();
    }
}

class WindowsFolder : public CliHome {};

// Neither SQLite nor Jet, Jet cut short, Jet that libmdb cannot read: wherever such a file is met,
// the message names it, the status is 1 and nothing changes.
TEST_F(WindowsFolder, BadFilesAreRefusedByNameAndChangeNothing) {
    const QByteArray tables = fixture("jet4-tables.mdb");
    QByteArray unknownVersion = fixture("jet4-password.mdb");
    unknownVersion[0x14] = 9;
    const std::pair<QByteArray, const char*> files[] = {
        {"some text, no database at all\n", "a SQLite database or a Jet"},
        {tables.left(40000), "cut short"},
        {tables.left(4096 * 20), "catalogue cannot be read"},
        {unknownVersion, "Unknown Jet version"},
    };
    test::QueryColumn(file("OrvLibraries81.mdb"), "INSERT INTO MusicLibrary1 (Artist) VALUES ('kept')");
    for (const auto& [bytes, why] : files) {
        SCOPED_TRACE(why);
        for (const auto& [name, command] :
             std::vector<std::pair<QString, QStringList>>{{"Other.mdb", {"jet-import", file("Other.mdb")}},
                                                          {"OrvLibraries8.mdb", {"--yes", "libraries", "transfer"}},
                                                          {"OrvSettings.mdb", {"--yes", "settings", "list"}}}) {
            const QString path = file(name);
            const QByteArray before = FileBytes(path);
            ASSERT_TRUE(WriteFile(path, bytes));
            const test::CliRun run = Cli(home.path(), command);
            EXPECT_EQ(run.status, 1) << name.toStdString();
            EXPECT_TRUE(run.err.contains(path) && run.err.contains(why)) << run.err.toStdString();
            EXPECT_EQ(FileBytes(path), bytes);
            EXPECT_FALSE(QFile::exists(path + ".jet"));
            QFile::remove(path);
            if (!before.isEmpty()) ASSERT_TRUE(WriteFile(path, before));
        }
    }
    EXPECT_EQ(QueryColumn(file("OrvLibraries81.mdb"), "SELECT Artist FROM MusicLibrary1"), QStringList{"kept"});
}

TEST_F(WindowsFolder, AJetPreviousLibrariesDatabaseIsCarriedOverOneLibraryPerTable) {
    const QString previous = file("OrvLibraries8.mdb");
    ASSERT_TRUE(WriteFile(previous, fixture("jet4-tables.mdb")));
    QFile::setPermissions(previous, QFile::ReadOwner);  // only read
    const test::CliRun run = Cli(home.path(), {"--yes", "libraries", "transfer"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(Cli(home.path(), {"libraries", "list"}).out, "MusicLibrary1\nTable1\nTable2\nTable3\nTable4\n");
    const QString libraries = file("OrvLibraries81.mdb");
    for (const auto& [table, rows] : {std::pair{"Table1", "2"}, {"Table2", "0"}, {"Table3", "0"}, {"Table4", "0"}})
        EXPECT_EQ(QueryColumn(libraries, QString("SELECT count(*) FROM ") + table), QStringList{rows}) << table;
    // The old tables have none of the library's columns: each gets the empty value of its type.
    EXPECT_EQ(QueryColumn(libraries, "SELECT quote(Artist)||quote(Seconds)||quote(LastDateTimePlayed) FROM Table1"),
              (QStringList{"''0NULL", "''0NULL"}));
    EXPECT_EQ(FileBytes(previous), fixture("jet4-tables.mdb"));
}

TEST_F(WindowsFolder, ACopiedFolderStartsAfterTheQuestionAndKeepsTheJetFiles) {
    const QByteArray settings = fixture("jet4-password.mdb");
    ASSERT_TRUE(WriteFile(file("OrvSettings.mdb"), settings));
    ASSERT_TRUE(WriteFile(file("Orvella81.mdb"), fixture("jet3-tables.mdb")));
    const test::CliRun declined = Cli(home.path(), {"settings", "get", "InitialUse"});
    EXPECT_EQ(declined.status, 1);
    EXPECT_TRUE(declined.err.contains("Windows Database Not Converted")) << declined.err.toStdString();
    EXPECT_EQ(FileBytes(file("OrvSettings.mdb")), settings);
    EXPECT_FALSE(QFile::exists(file("OrvSettings.mdb.jet")));

    const test::CliRun run = Cli(home.path(), {"--yes", "settings", "get", "InitialUse"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "True\n");
    EXPECT_TRUE(
        run.err.startsWith("Windows Database Found\nThe file Orvella81.mdb comes from the Windows version of "
                           "Orvella.\n\nConvert it so that this version can use it? The original is kept as "
                           "Orvella81.mdb.jet.\n[Yes/No] Yes\nWindows Database Found\nThe file OrvSettings.mdb"))
        << run.err.toStdString();
    EXPECT_EQ(FileBytes(file("OrvSettings.mdb.jet")), settings);
    EXPECT_EQ(QueryColumn(file("OrvSettings.mdb"), "SELECT Data FROM Table1 ORDER BY ID"),
              (QStringList{"One", "Two", "Three"}));
    EXPECT_EQ(QueryColumn(file("Orvella81.mdb"), "SELECT SkinName||SettingName||SettingValue FROM Skins"),
              QStringList{"DefaultScrollbarColor8388672"});
    EXPECT_EQ(Cli(home.path(), {"settings", "get", "InitialUse"}).err, "");
}

}  // namespace
}  // namespace orv

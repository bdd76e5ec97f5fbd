#include "store/DataAccess.h"
#include "store/Database.h"
#include "store/SqlDialect.h"
#include "store/WriteBatch.h"
#include "support/Files.h"
#include "support/TestProgram.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

namespace orv {
namespace {

using test::TestProgram;

TEST(SqlDialect, RewritesJetFormsButNeverQuotedValues) {
    EXPECT_EQ(translateSql("DELETE * FROM Rock"), "DELETE FROM Rock");
    EXPECT_EQ(translateSql("delete  *  from Rock"), "DELETE FROM Rock");
    EXPECT_EQ(translateSql("CREATE TABLE T (A Text(255) WITH COMPRESSION, B Long)"),
              "CREATE TABLE T (A Text(255), B Long)");
    const QString insert = "INSERT INTO T (A) VALUES ('DELETE * FROM x WITH COMPRESSION it''s MSysObjects')";
    EXPECT_EQ(translateSql(insert), insert);
}

TEST(ExecuteSQLCommand, BoundStatementsOfOneTextKeepEachRowsValuesAndTypes) {
    TestProgram p;
    p.sql("OrvLibraries81.mdb", "CREATE TABLE T (A TEXT, B INTEGER, C)");
    // As during a build: one connection for every write.
    p.state.run.SharedLibraryConnection = std::make_shared<Connection>(p.file("OrvLibraries81.mdb"));
    const QString insert = "INSERT INTO T (A, B, C) VALUES (?, ?, ?)";
    const std::vector<std::vector<QVariant>> rows{{QString("007"), qint64(7), QString("x")},
                                                  {QString("it's\t ?"), qint64(-3), qint64(5)},
                                                  {QString(""), qint64(0), QVariant()},
                                                  {QString("b"), 1.5, QByteArray("\0z", 2)}};
    for (const auto& values : rows) ASSERT_TRUE(ExecuteSQLCommand(p.state, {insert, values}, Db::Libraries));
    EXPECT_EQ(p.column("OrvLibraries81.mdb",
                       "SELECT A || '|' || typeof(A) || '|' || B || '|' || ifnull(length(C), '-') || '|' || typeof(C) "
                       "FROM T"),
              QStringList({"007|text|7|1|text", "it's ?|text|-3|1|integer", "|text|0|-|null", "b|text|1.5|2|blob"}));
    // A failing statement is reported, and the next one of the same text works.
    p.sql("OrvLibraries81.mdb", "CREATE UNIQUE INDEX TA ON T (A)");
    EXPECT_FALSE(ExecuteSQLCommand(p.state, {insert, rows[0]}, Db::Libraries));
    EXPECT_EQ(p.ui.messages.size(), 1);
    EXPECT_TRUE(ExecuteSQLCommand(p.state, {insert, {QString("008"), qint64(1), QString("y")}}, Db::Libraries));
    EXPECT_EQ(p.column("OrvLibraries81.mdb", "SELECT count(*) FROM T"), QStringList{"5"});
}

TEST(DataAccessCheck, OldOrMissingVersionShowsTheUpgradeMessageAndTouchesNothing) {
    for (const QString version : {"2.69", ""}) {
        TestProgram p;
        p.state.session.DataAccessVersionSource = [version] { return version; };
        EXPECT_FALSE(ExecuteSQLCommand(p.state, "INSERT INTO Settings VALUES ('Touched', 'Yes')", Db::Settings));
        EXPECT_TRUE(GetRecordset(p.state, "SELECT * FROM Settings", Db::Settings).isNothing());
        EXPECT_TRUE(p.column("OrvSettings.mdb", "SELECT * FROM Settings WHERE SettingName = 'Touched'").isEmpty());
        EXPECT_TRUE(p.state.session.connectionPool.empty()) << "no connection may be opened";
        ASSERT_EQ(p.ui.messages.size(), 2);
        const DialogContent& m = p.ui.messages[0];
        EXPECT_EQ(m.title, "For Your Information...");
        EXPECT_EQ(m.icon, DialogContent::Information);
        EXPECT_FALSE(m.isReport);
        EXPECT_EQ(m.message,
                  "You will need to upgrade your version of the Microsoft Data Access Components (MDAC) on your "
                  "computer or Orvella Configurator will not be able to access your Music Library.\n\n"
                  "Your currently installed version of these components is:\n\n" +
                      version +
                      "\n\n and you need to have version:\n\n2.70\n\ninstalled, at a minimum.\n\n"
                      "Please visit www.orvella.example and click on the FAQ button for further instructions on how "
                      "to upgrade these components.\n\nThanks!!");
    }
}

TEST(DataAccessCheck, RecentVersionsPass) {
    for (const QString version : {"2.7", "2.70", "2.8", ""}) {
        TestProgram p;
        if (!version.isEmpty()) p.state.session.DataAccessVersionSource = [version] { return version; };
        EXPECT_TRUE(ExecuteSQLCommand(p.state, "INSERT INTO Settings VALUES ('Touched', 'Yes')", Db::Settings))
            << version.toStdString();
        EXPECT_TRUE(p.ui.messages.isEmpty());
    }
}

TEST(GetRecordset, MissingFileShowsTheNotFoundReportNamingTheMainDatabase) {
    TestProgram p;
    ASSERT_TRUE(QFile::remove(p.file("OrvSettings.mdb")));
    p.state.run.BuildRunning = true;
    EXPECT_TRUE(GetRecordset(p.state, "SELECT * FROM Settings", Db::Settings).isNothing());
    EXPECT_FALSE(p.state.run.BuildRunning);
    EXPECT_FALSE(QFile::exists(p.file("OrvSettings.mdb"))) << "opening must never create the file";
    ASSERT_EQ(p.ui.messages.size(), 1);
    EXPECT_EQ(p.ui.messages[0].title, "For Your Information...");
    EXPECT_EQ(p.ui.messages[0].message, "Orvella Configurator cannot find the Music Library file located at \n\n" +
                                            p.file("Orvella81.mdb") +
                                            "\n\nPlease double check that the path is correct and the file exists.");

    p.ui.messages.clear();
    EXPECT_TRUE(GetRecordset(p.state, "SELECT * FROM Settings", Db::Settings, false).isNothing());
    EXPECT_TRUE(p.ui.messages.isEmpty());
}

TEST(GetRecordset, AFileThatIsNotADatabaseCannotBeOpened) {
    TestProgram p;
    ASSERT_TRUE(test::WriteFile(p.file("OrvSettings.mdb"), QByteArray(4096, 'x')));
    EXPECT_TRUE(GetRecordset(p.state, "SELECT * FROM Settings", Db::Settings).isNothing());
    ASSERT_EQ(p.ui.messages.size(), 1);
    EXPECT_TRUE(p.ui.messages[0].message.startsWith("Orvella Configurator cannot find"));
}

// Pages are read through a mapping of the file: a file that another program cuts short between
// two queries fails the next query, and never ends the program.
TEST(Connection, AFileCutShortBetweenQueriesFailsTheNextOne) {
    TestProgram p;
    p.sql("OrvLibraries81.mdb", "CREATE TABLE T (A TEXT)");
    p.sql("OrvLibraries81.mdb",
          "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
          "INSERT INTO T SELECT printf('%0200d', i) FROM n");
    Connection connection(p.file("OrvLibraries81.mdb"));
    EXPECT_EQ(connection.query("SELECT count(*) FROM T").values.at(0).at(0).toInt(), 2000);
    ASSERT_EQ(::truncate(QFile::encodeName(p.file("OrvLibraries81.mdb")).constData(), 8192), 0);
    EXPECT_THROW(connection.query("SELECT A FROM T"), RuntimeError);
}

TEST(GetRecordset, ARejectedQueryFailsAtItsFirstUse) {
    TestProgram p;
    Recordset rows = GetRecordset(p.state, "SELECT FROM WHERE", Db::Settings);
    EXPECT_FALSE(rows.isNothing());
    try {
        rows.isEOF();
        FAIL() << "expected a failure";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::SyntaxError);
    }
    EXPECT_TRUE(p.ui.messages.isEmpty());

    Recordset missing = GetRecordset(p.state, "SELECT * FROM NoSuchTable", Db::Libraries);
    EXPECT_THROW(missing.field(0), RuntimeError);
}

TEST(GetRecordset, HandlerRows) {
    TestProgram p;
    const QString sql = "SELECT x FROM y";
    getRecordsetErrorHandler(p.state, RuntimeError(ErrorNumber::SyntaxError, "Syntax error"), sql, true);
    getRecordsetErrorHandler(p.state, RuntimeError(ErrorNumber::UnknownName, "No value given"), sql, true);
    ASSERT_EQ(p.ui.messages.size(), 2);
    for (const DialogContent& m : p.ui.messages) {
        EXPECT_EQ(m.message, "An unexpected problem occurred while trying to access the Music Library.");
        EXPECT_EQ(m.title, "Music Library Error...");
        EXPECT_EQ(m.icon, DialogContent::Error);
        EXPECT_TRUE(m.isReport);
        EXPECT_TRUE(m.reportText.contains("Module: modGlobalConfig\nProcedure: GetRecordset\n"));
    }
    EXPECT_TRUE(
        p.ui.messages[0].reportText.contains("Error Number: -2147217900\n"
                                             "Error Description: Syntax error - SQL Statement: SELECT x FROM y"));
    EXPECT_TRUE(p.ui.messages[1].reportText.contains("Error Number: -2147217904\n"));
    EXPECT_EQ(p.ui.endProgramCalls, 0);

    p.ui.messages.clear();
    getRecordsetErrorHandler(p.state, RuntimeError(ErrorNumber::CannotOpen, "gone"), sql, true);
    ASSERT_EQ(p.ui.messages.size(), 1);
    EXPECT_TRUE(p.ui.messages[0].message.startsWith("Orvella Configurator cannot find the Music Library file"));

    p.ui.messages.clear();
    EXPECT_THROW(getRecordsetErrorHandler(p.state, RuntimeError(7, "Out of memory"), sql, true), ProgramEnd);
    ASSERT_EQ(p.ui.messages.size(), 1);
    EXPECT_EQ(p.ui.messages[0].message, "Orvella Configurator cannot continue due to an unexpected fatal error.");
    EXPECT_EQ(p.ui.messages[0].title, "Music Library Error...");
    EXPECT_TRUE(p.ui.messages[0].endProgram);
    EXPECT_EQ(p.ui.endProgramCalls, 1);

    p.ui.messages.clear();
    getRecordsetErrorHandler(p.state, RuntimeError(7, "Out of memory"), sql, false);
    EXPECT_TRUE(p.ui.messages.isEmpty());
}

TEST(ExecuteSQLCommand, HandlerRowsAndQuiet) {
    TestProgram p;
    EXPECT_FALSE(ExecuteSQLCommand(p.state, "UPDATE Settings SET WHERE", Db::Settings));
    EXPECT_FALSE(ExecuteSQLCommand(p.state, "DELETE * FROM NoSuchTable", Db::Libraries));
    ASSERT_EQ(p.ui.messages.size(), 2);
    for (const DialogContent& m : p.ui.messages) {
        EXPECT_EQ(m.message, "An unexpected problem occurred while trying to update the Music Library.");
        EXPECT_EQ(m.title, "Music Library Error...");
        EXPECT_EQ(m.icon, DialogContent::Error);
        EXPECT_TRUE(m.reportText.contains("Procedure: ExecuteSQLCommand\n"));
    }
    EXPECT_TRUE(p.ui.messages[1].reportText.contains("Error Number: -2147217904\n"));
    EXPECT_TRUE(p.ui.messages[1].reportText.contains(" - SQL Statement: DELETE * FROM NoSuchTable\nCode Line: 0"));

    p.ui.messages.clear();
    EXPECT_TRUE(ExecuteSQLCommand(p.state, "DROP TABLE NoSuchTable", Db::Libraries, true));
    EXPECT_TRUE(p.ui.messages.isEmpty()) << "Quiet passes over a statement the engine rejects";

    ASSERT_TRUE(QFile::remove(p.file("OrvLibraries81.mdb")));
    EXPECT_FALSE(ExecuteSQLCommand(p.state, "DROP TABLE MusicLibrary1", Db::Libraries, true));
    ASSERT_EQ(p.ui.messages.size(), 1);
    EXPECT_EQ(p.ui.messages[0].message, "Orvella Configurator cannot continue due to an unexpected error.");
    EXPECT_EQ(p.ui.messages[0].title, "Unexpected Error...");
    EXPECT_EQ(p.ui.endProgramCalls, 0);
}

TEST(ExecuteSQLCommand, ControlCharactersNeverReachTheEngine) {
    TestProgram p;
    ASSERT_TRUE(ExecuteSQLCommand(
        p.state, "INSERT INTO Settings\t(SettingName, SettingValue)\nVALUES ('Ta\tb', 'Li\nne')", Db::Settings));
    EXPECT_EQ(p.column("OrvSettings.mdb", "SELECT SettingValue FROM Settings WHERE SettingName = 'Tab'"),
              QStringList{"Line"});
}

TEST(ExecuteSQLCommand, OneCallRunsOneStatement) {
    TestProgram p;
    const QStringList before = p.column("OrvSettings.mdb", "SELECT SettingName FROM Settings");
    ASSERT_FALSE(before.isEmpty());
    EXPECT_FALSE(ExecuteSQLCommand(p.state, "DELETE FROM Settings; DROP TABLE Settings", Db::Settings));
    EXPECT_EQ(p.ui.messages.size(), 1);
    EXPECT_TRUE(ExecuteSQLCommand(p.state, "DELETE FROM Settings; DROP TABLE Settings", Db::Settings, true));
    EXPECT_EQ(p.column("OrvSettings.mdb", "SELECT SettingName FROM Settings"), before);
    EXPECT_TRUE(ExecuteSQLCommand(p.state, "DELETE FROM Settings WHERE SettingName = 'x';", Db::Settings));
}

TEST(ExecuteSQLCommand, SeesADatabaseFileThatWasReplaced) {
    TestProgram p;
    ASSERT_TRUE(ExecuteSQLCommand(p.state, "UPDATE Settings SET SettingValue = 'old' WHERE SettingName = 'Password'",
                                  Db::Settings));
    TestProgram other;
    other.sql("OrvSettings.mdb", "UPDATE Settings SET SettingValue = 'new' WHERE SettingName = 'Password'");
    ASSERT_TRUE(QFile::remove(p.file("OrvSettings.mdb")));
    ASSERT_TRUE(QFile::copy(other.file("OrvSettings.mdb"), p.file("OrvSettings.mdb")));
    Recordset rows =
        GetRecordset(p.state, "SELECT SettingValue FROM Settings WHERE SettingName = 'Password'", Db::Settings);
    EXPECT_EQ(rows.field(0).toString(), "new");
}

// What a batch of library writes leaves in the table: only what was committed.
TEST(WriteBatch, KeepsOnlyWhatWasCommitted) {
    TestProgram p;
    const auto insert = [&](const QString& title) {
        ASSERT_TRUE(
            ExecuteSQLCommand(p.state, "INSERT INTO MusicLibrary1 (Title) VALUES ('" + title + "')", Db::Libraries));
    };
    const auto titles = [&] {
        return p.column("OrvLibraries81.mdb", "SELECT Title FROM MusicLibrary1 ORDER BY rowid");
    };
    {
        WriteBatch batch(p.state);
        insert("committed");
        EXPECT_TRUE(batch.commit());
        insert("left uncommitted");
    }
    EXPECT_EQ(titles(), QStringList{"committed"});

    try {
        WriteBatch batch(p.state);
        insert("before the failure");
        throw RuntimeError(ErrorNumber::TypeMismatch, "Type mismatch");
    } catch (const RuntimeError&) {
    }
    EXPECT_EQ(titles(), QStringList{"committed"});

    {
        WriteBatch batch(p.state);
        for (int i = 0; i < 501; ++i) {
            insert(QString::number(i));
            batch.wrote();
        }
    }
    // 500 writes (or a second) make a commit of their own.
    EXPECT_GE(titles().size(), 501);
    EXPECT_TRUE(p.ui.messages.isEmpty());
}

}  // namespace
}  // namespace orv

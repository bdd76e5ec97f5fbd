#include "core/Text.h"
#include "store/DataAccess.h"
#include "store/Database.h"
#include "store/ProgramFiles.h"
#include "store/SqlDialect.h"
#include "store/WriteBatch.h"
#include "support/TestProgram.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::TestProgram;

TEST(SqlText, QuoteDoublesApostrophesAndTrimsBlanksOnly) {
    EXPECT_EQ(SqlQuote("Rock'n Name "), "Rock''n Name");
    EXPECT_EQ(SqlQuote("  D:\\It's Music  "), "D:\\It''s Music");
    EXPECT_EQ(SqlQuote("''"), "''''");
    EXPECT_EQ(SqlQuote("\tTabbed\t"), "\tTabbed\t");
}

TEST(SqlText, StripControlCharsKeepsOnlyTheCodeAskedFor) {
    const QString text = QString("a\tb\nc") + QChar(127) + QChar(0) + QChar(31) + "d";
    EXPECT_EQ(StripControlChars(text), "abcd");
    EXPECT_EQ(StripControlChars(text, 10), "ab\ncd");
}

TEST(SqlDialect, RewritesJetFormsButNeverQuotedValues) {
    EXPECT_EQ(translateSql("DELETE * FROM Rock"), "DELETE FROM Rock");
    EXPECT_EQ(translateSql("delete  *  from Rock"), "DELETE FROM Rock");
    EXPECT_EQ(translateSql("CREATE TABLE T (A Text(255) WITH COMPRESSION, B Long)"),
              "CREATE TABLE T (A Text(255), B Long)");
    const QString insert = "INSERT INTO T (A) VALUES ('DELETE * FROM x WITH COMPRESSION it''s MSysObjects')";
    EXPECT_EQ(translateSql(insert), insert);
}

TEST(SqlDialect, InsertsLeaveTheirTextsAndWholeNumbersAsValuesOfOneShape) {
    const auto lifted = liftInsertValues("INSERT INTO [My Table] (A, \"B 2\", C) VALUES ('it''s; 5', 42, -7, X'00')");
    ASSERT_TRUE(lifted);
    EXPECT_EQ(lifted->shape, "INSERT INTO [My Table] (A, \"B 2\", C) VALUES (?, ?, -?, X'00')");
    ASSERT_EQ(lifted->values.size(), 3u);
    EXPECT_EQ(std::get<QByteArray>(lifted->values[0]), "it's; 5");
    EXPECT_EQ(std::get<qint64>(lifted->values[1]), 42);
    EXPECT_EQ(std::get<qint64>(lifted->values[2]), 7);
    EXPECT_EQ(liftInsertValues("insert into T2 values ('x')")->shape, "insert into T2 values (?)");
    EXPECT_EQ(liftInsertValues("INSERT INTO T (A, B) SELECT 'x', -7")->shape, "INSERT INTO T (A, B) SELECT ?, -?");
    // Anything it cannot be sure of is left to the engine as written.
    for (const char* sql :
         {"SELECT 1", "UPDATE T SET A = 'x'", "INSERT INTO T SELECT A FROM U", "INSERT INTO T SELECT 'x' FROM U",
          "INSERT INTO T VALUES ((SELECT 1))", "INSERT INTO T VALUES (1.5)", "INSERT INTO T VALUES (1e5)",
          "INSERT INTO T VALUES (0x1F)", "INSERT INTO T VALUES (?)", "INSERT INTO T VALUES (:a)",
          "INSERT INTO T VALUES ('x') -- note", "INSERT INTO T VALUES ('open",
          "INSERT INTO T VALUES (12345678901234567890)"})
        EXPECT_FALSE(liftInsertValues(sql)) << sql;
}

TEST(ExecuteSQLCommand, InsertsOfOneShapeKeepEachRowsValuesAndTypes) {
    TestProgram p;
    p.sql("OrvLibraries81.mdb", "CREATE TABLE T (A TEXT, B INTEGER, C)");
    // As during a build: one connection for every write.
    p.state.run.SharedLibraryConnection = std::make_shared<Connection>(p.file("OrvLibraries81.mdb"));
    for (const char* values : {"('007', 7, 'x')", "('it''s', -3, 5)", "('', 0, '5')"})
        ASSERT_TRUE(
            ExecuteSQLCommand(p.state, QStringLiteral("INSERT INTO T (A, B, C) VALUES ") + values, Db::Libraries));
    EXPECT_EQ(p.column("OrvLibraries81.mdb", "SELECT A || '|' || B || '|' || C || '|' || typeof(C) FROM T"),
              QStringList({"007|7|x|text", "it's|-3|5|integer", "|0|5|text"}));
    // A failing insert of a known shape is reported, and the next one of that shape works.
    EXPECT_FALSE(ExecuteSQLCommand(p.state, "INSERT INTO T (A, B, C, D) VALUES ('a', 1, 2, 3)", Db::Libraries));
    p.sql("OrvLibraries81.mdb", "CREATE UNIQUE INDEX TA ON T (A)");
    EXPECT_FALSE(ExecuteSQLCommand(p.state, "INSERT INTO T (A, B, C) VALUES ('007', 1, 'y')", Db::Libraries));
    EXPECT_TRUE(ExecuteSQLCommand(p.state, "INSERT INTO T (A, B, C) VALUES ('008', 1, 'y')", Db::Libraries));
    EXPECT_EQ(p.column("OrvLibraries81.mdb", "SELECT count(*) FROM T"), QStringList{"4"});
}

TEST(SqlDialect, CatalogueListsUserTablesByNameIgnoringCase) {
    TestProgram p;
    p.sql("OrvLibraries81.mdb", "CREATE TABLE zebra (x)");
    p.sql("OrvLibraries81.mdb", "CREATE TABLE Alpha (x)");
    p.sql("OrvLibraries81.mdb", "CREATE TABLE Settings (x)");
    p.sql("OrvLibraries81.mdb", "CREATE INDEX zebra_x ON zebra (x)");
    Recordset rows = GetRecordset(p.state,
                                  "SELECT Name FROM MSysObjects WHERE Type = 1 AND NAME NOT IN ('Settings') "
                                  "AND Flags = 0 ORDER BY Name",
                                  Db::Libraries);
    QStringList names;
    for (; !rows.isEOF(); rows.moveNext()) names << rows.field("Name").toString();
    EXPECT_EQ(names, QStringList({"Alpha", "MusicLibrary1", "zebra"}));
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
    QFile garbage(p.file("OrvSettings.mdb"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly | QIODevice::Truncate));
    garbage.write(QByteArray(4096, 'x'));
    garbage.close();
    EXPECT_TRUE(GetRecordset(p.state, "SELECT * FROM Settings", Db::Settings).isNothing());
    ASSERT_EQ(p.ui.messages.size(), 1);
    EXPECT_TRUE(p.ui.messages[0].message.startsWith("Orvella Configurator cannot find"));
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

TEST(FileHelpers, FileExistsOnlyForReadableFiles) {
    TestProgram p;
    EXPECT_TRUE(FileExists(p.file("Orvella81.mdb")));
    EXPECT_FALSE(FileExists(p.file("Missing.mdb")));
    EXPECT_FALSE(FileExists(p.file("Playlists")));
    EXPECT_FALSE(FileExists(""));
}

}  // namespace
}  // namespace orv

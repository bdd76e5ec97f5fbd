#include "store/Database.h"
#include "store/LibraryButtons.h"
#include "store/LibrarySchema.h"
#include "store/LibraryTransfer.h"
#include "store/MusicLibraries.h"
#include "store/Settings.h"
#include "store/SqlDialect.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

namespace {

using namespace orv;
using orv::test::TestProgram;

const QString kLibraries = QStringLiteral("OrvLibraries81.mdb");

class MusicLibraries : public ::testing::Test {
protected:
    QStringList tables() const {
        return p.column(kLibraries, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
    }
    int rows(const QString& table) const {
        return p.column(kLibraries, "SELECT count(*) FROM " + table).value(0).toInt();
    }
    void addLibrary(const QString& name, int songs = 0) const {
        p.sql(kLibraries, translateSql(musicLibraryCreateStatement(name)));
        for (int i = 0; i < songs; ++i)
            p.sql(kLibraries, QString("INSERT INTO %1 (Artist, Filename) VALUES ('A', '/m/%2.mp3')").arg(name).arg(i));
    }
    const DialogContent& lastMessage() const { return p.ui.messages.last(); }

    TestProgram p;
};

TEST_F(MusicLibraries, NewLibraryReplacesBlanksAndComesWithItsFilenameIndex) {
    const LibraryButtonResult made = newMusicLibraryNamed(p.state, "My Rock Songs");
    EXPECT_TRUE(made.done);
    EXPECT_EQ(tables(), (QStringList{"MusicLibrary1", "My_Rock_Songs"}));
    EXPECT_EQ(p.column(kLibraries, "SELECT name FROM pragma_index_list('My_Rock_Songs')"),
              QStringList{"My_Rock_Songs.Filename"});
    EXPECT_EQ(p.column(kLibraries, "SELECT name FROM pragma_index_info('My_Rock_Songs.Filename')"),
              QStringList{"Filename"});
    ASSERT_EQ(p.ui.messages.size(), 1);
    EXPECT_EQ(lastMessage().title, "Music Library Created");
    EXPECT_EQ(lastMessage().icon, DialogContent::Information);
    EXPECT_EQ(lastMessage().message,
              "The Music Library - 'My_Rock_Songs' has been successfully created.\n\n"
              "You must now populate this Music Library by clicking the 'Build Music Library' button.");
    ASSERT_TRUE(made.libraries);
    EXPECT_TRUE(made.libraries->refill);
    EXPECT_EQ(made.libraries->names, (QStringList{"MusicLibrary1", "My_Rock_Songs"}));
    EXPECT_EQ(made.libraries->select, "My_Rock_Songs");

    EXPECT_TRUE(newMusicLibraryNamed(p.state, "   ").done);
    EXPECT_TRUE(tables().contains("___"));
}

TEST_F(MusicLibraries, NewLibraryAsksForItsNameAndACancelledPromptDoesNothing) {
    p.ui.textAnswers = {std::nullopt, QString("Jazz Hits")};
    EXPECT_FALSE(newMusicLibrary(p.state).done);
    EXPECT_TRUE(p.ui.messages.isEmpty());
    EXPECT_TRUE(newMusicLibrary(p.state).done);
    ASSERT_EQ(p.ui.prompts.size(), 2);
    EXPECT_EQ(p.ui.prompts[0].title, "Create Music Library");
    EXPECT_EQ(p.ui.prompts[0].prompt,
              "Enter a name for the new Music Library:\n\n"
              "(Please do not use spaces if your Music Library name contains multiple words)");
    EXPECT_TRUE(tables().contains("Jazz_Hits"));
}

TEST_F(MusicLibraries, ALibraryWithRecordsIsNeverReplacedButAnEmptyOneIsMadeAnew) {
    addLibrary("Filled", 2);
    EXPECT_FALSE(newMusicLibraryNamed(p.state, "Filled").done);
    EXPECT_EQ(lastMessage().title, "Music Library NOT Created");
    EXPECT_EQ(lastMessage().message, "There was a problem creating the Music Library - 'Filled'.\n\nPlease try again.");
    EXPECT_EQ(rows("Filled"), 2);

    p.sql(kLibraries, "CREATE TABLE Leftover (Junk Text(10))");
    EXPECT_TRUE(CreateMusicLibrary(p.state, "Leftover"));
    EXPECT_EQ(p.column(kLibraries, "SELECT count(*) FROM pragma_table_info('Leftover')"), QStringList{"25"});
}

TEST_F(MusicLibraries, NamesThatWouldChangeTheStatementAreRefusedAndTouchNothing) {
    addLibrary("History", 3);
    p.sql(kLibraries, "INSERT INTO MusicLibrary1 (Artist) VALUES ('kept')");
    const QStringList before = tables();
    for (const char* typed : {"x;DROP TABLE MusicLibrary1", "MusicLibrary1 --", "Rock'n'Roll", "AC/DC", "\"Quoted\"",
                              "9Lives", "Order", "History", "settings", "sqlite_master", "sqlite_mine", "Tab\tName"}) {
        const LibraryButtonResult made = newMusicLibraryNamed(p.state, typed);
        EXPECT_FALSE(made.done) << typed;
        EXPECT_EQ(lastMessage().title, "Music Library NOT Created") << typed;
    }
    EXPECT_EQ(tables(), before);
    EXPECT_EQ(rows("MusicLibrary1"), 1);
    EXPECT_EQ(rows("History"), 3);

    // A name that is not a library's cannot be cleared or dropped either: reported, nothing run.
    p.ui.answers = {Answer::Yes, Answer::Yes};
    EXPECT_FALSE(clearMusicLibrary(p.state, "History"));
    EXPECT_EQ(lastMessage().reportText.count("cmdClear_Click"), 1);
    EXPECT_TRUE(lastMessage().reportText.contains("frmStartUp"));
    EXPECT_FALSE(deleteMusicLibrary(p.state, "MusicLibrary1 WHERE 1 = 1 --", 3).done);
    EXPECT_TRUE(lastMessage().reportText.contains("cmdDeleteLibrary_Click"));
    EXPECT_EQ(tables(), before);
    EXPECT_EQ(rows("History"), 3);

    EXPECT_TRUE(newMusicLibraryNamed(p.state, "Musique Française 2").done);
    EXPECT_TRUE(tables().contains("Musique_Française_2"));
}

TEST_F(MusicLibraries, WordsTheEngineTakesBareAreNamesAndARefusalSaysWhy) {
    for (const char* keyword : {"Action", "Current", "First", "Temp", "Window"}) {
        EXPECT_TRUE(newMusicLibraryNamed(p.state, keyword).done) << keyword;
        EXPECT_EQ(lastMessage().title, "Music Library Created") << keyword;
        p.sql(kLibraries, QString("INSERT INTO %1 (Filename) VALUES ('/a.mp3')").arg(keyword));
        EXPECT_EQ(countRows(p.state, keyword, Db::Libraries), 1) << keyword;
    }
    p.ui.answers = {Answer::Yes, Answer::Yes};
    EXPECT_TRUE(clearMusicLibrary(p.state, "Window"));
    EXPECT_EQ(rows("Window"), 0);
    EXPECT_TRUE(deleteMusicLibrary(p.state, "Temp", 6).done);
    EXPECT_FALSE(tables().contains("Temp"));

    const QString rule =
        "A name may hold letters, digits and \"_\" (blanks become \"_\"), and must not start with a "
        "digit or be a word the database reserves, such as Order or Select.";
    EXPECT_FALSE(newMusicLibraryNamed(p.state, "Order").done);
    EXPECT_EQ(lastMessage().title, "Music Library NOT Created");
    EXPECT_EQ(lastMessage().message, "The name 'Order' cannot be used for a Music Library.\n\n" + rule);
    EXPECT_FALSE(newMusicLibraryNamed(p.state, "9 Lives").done);
    EXPECT_EQ(lastMessage().message, "The name '9_Lives' cannot be used for a Music Library.\n\n" + rule);
    EXPECT_FALSE(newMusicLibraryNamed(p.state, "lyricstemp").done);
    EXPECT_EQ(lastMessage().message,
              "The name 'lyricstemp' cannot be used for a Music Library.\n\nIt is the name of the LyricsTemp table, "
              "which Orvella keeps in the same database.\n\n" +
                  rule);
}

TEST_F(MusicLibraries, ListingHidesReservedTablesAndSortsWithoutLetterCase) {
    for (const char* reserved :
         {"Settings", "Genres", "Skins", "EQ", "Lyrics", "LyricsTemp", "Karaoke", "Queue", "history", "MSysACEs"})
        p.sql(kLibraries, QString("CREATE TABLE %1 (Name Text(50))").arg(reserved));
    for (const char* name : {"zeta", "Alpha", "beta"}) addLibrary(name);

    const MusicLibraryList list = GetMusicLibraries(p.state);
    EXPECT_TRUE(list.refill);
    EXPECT_EQ(list.names, (QStringList{"Alpha", "beta", "MusicLibrary1", "zeta"}));
    // Libraries that came without their index get it when listed.
    EXPECT_EQ(p.column(kLibraries, "SELECT name FROM sqlite_master WHERE type = 'index' ORDER BY name"),
              (QStringList{"Alpha.Filename", "MusicLibrary1.Filename", "beta.Filename", "zeta.Filename"}));
}

TEST_F(MusicLibraries, AMissingCurrentLibrarySelectsTheFirstEntry) {
    addLibrary("Alpha");
    SaveSetting(p.state, "CurrentMusicLibrary", "Gone");
    MusicLibraryList list = GetMusicLibraries(p.state);
    EXPECT_EQ(list.select, "Gone");
    EXPECT_EQ(libraryEntryIndex(list.names, list.select), 0);

    SaveSetting(p.state, "CurrentMusicLibrary", "");
    list = GetMusicLibraries(p.state);
    EXPECT_EQ(p.state.CurrentMusicLibrary, "MusicLibrary1");
    EXPECT_EQ(libraryEntryIndex(list.names, "musiclibrary1"), 1);
    EXPECT_EQ(libraryEntryIndex({}, "Alpha"), -1);
}

TEST_F(MusicLibraries, DeletingTheOnlyLibraryIsRefusedAndAnotherOnlyAfterYes) {
    EXPECT_FALSE(deleteMusicLibrary(p.state, "MusicLibrary1", 1).done);
    EXPECT_TRUE(p.ui.questions.isEmpty());
    EXPECT_EQ(lastMessage().title, "Cannot Delete Music Library");
    EXPECT_EQ(lastMessage().message,
              "You cannot delete the Music Library 'MusicLibrary1' because it is the only existing Music Library.  "
              "Please create a new Music Library before attempting to delete this one.");
    EXPECT_TRUE(tables().contains("MusicLibrary1"));

    addLibrary("Old", 1);
    p.ui.answers = {Answer::No, Answer::Yes};
    EXPECT_FALSE(deleteMusicLibrary(p.state, "Old", 2).done);
    EXPECT_TRUE(tables().contains("Old"));
    const LibraryButtonResult deleted = deleteMusicLibrary(p.state, "Old", 2);
    EXPECT_TRUE(deleted.done);
    EXPECT_EQ(p.ui.questions.last().title, "Orvella");
    EXPECT_EQ(p.ui.questions.last().message, "Are you sure you want to delete the Music Library - 'Old' ?");
    EXPECT_EQ(p.ui.questions.last().defaultAnswer, Answer::No) << "Enter does not delete";
    EXPECT_EQ(lastMessage().title, "Music Library Deleted");
    EXPECT_EQ(lastMessage().icon, DialogContent::Information);
    EXPECT_EQ(lastMessage().message, "Old was deleted successfully.");
    EXPECT_EQ(tables(), QStringList{"MusicLibrary1"});
    ASSERT_TRUE(deleted.libraries);
    EXPECT_EQ(deleted.libraries->names, QStringList{"MusicLibrary1"});
}

TEST_F(MusicLibraries, ClearNeedsDataAccessVersion270AndAYes) {
    addLibrary("Rock", 3);
    p.state.session.DataAccessVersionSource = [] { return QString("2.6"); };
    p.ui.answers = {Answer::Yes};
    EXPECT_FALSE(clearMusicLibrary(p.state, "Rock"));
    EXPECT_TRUE(p.ui.questions.isEmpty());
    EXPECT_EQ(lastMessage().title, "For Your Information...");
    EXPECT_EQ(lastMessage().icon, DialogContent::Information);
    EXPECT_TRUE(lastMessage().message.startsWith(
        "You will need to upgrade your version of the Microsoft Data Access Components (MDAC) on your computer "
        "before you can Clear your Music Library.\n\nYour currently installed version of these components "
        "is:\n\n2.6\n\n"
        " and you need to have version:\n\n2.70\n\ninstalled, at a minimum.\n\nPlease visit "));
    EXPECT_EQ(rows("Rock"), 3);

    p.state.session.DataAccessVersionSource = [] { return QString("2.70"); };
    p.sql(kLibraries,
          "CREATE TABLE Filler AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
          "i < 100) SELECT printf('%.3000c', 'x') AS x FROM n");
    p.sql(kLibraries, "DROP TABLE Filler");
    const auto freePages = [&] { return p.column(kLibraries, "PRAGMA freelist_count").value(0).toInt(); };
    ASSERT_GT(freePages(), 0);
    p.ui.answers = {Answer::No};
    EXPECT_FALSE(clearMusicLibrary(p.state, "Rock"));
    EXPECT_GT(freePages(), 0) << "no change, no compaction";
    EXPECT_EQ(p.ui.questions.last().title, "Clear Music Library");
    EXPECT_EQ(p.ui.questions.last().message,
              "Clicking this button will erase all existing records from the Music Library - Rock.\n"
              "This cannot be undone and you will need to rebuild this Music Library again (or choose another one) "
              "in order to use Orvella. \n\nAre you sure you would like to remove ALL records from the Music Library - "
              "Rock?");
    EXPECT_EQ(p.ui.questions.last().defaultAnswer, Answer::No) << "Enter does not clear";
    EXPECT_EQ(rows("Rock"), 3);

    p.ui.answers = {Answer::Yes};
    EXPECT_TRUE(clearMusicLibrary(p.state, "Rock"));
    EXPECT_EQ(rows("Rock"), 0);
    EXPECT_EQ(freePages(), 0);
    EXPECT_EQ(p.ui.captions[Control::cmdDatabase], "Build Music Library");
    EXPECT_EQ(p.ui.captions[Control::lblSongCount], "Currently 0 Songs In Selected Music Library");
    EXPECT_FALSE(p.ui.enabling[Control::cmdOK]);
    EXPECT_FALSE(p.ui.enabling[Control::cmdLaunch]);
}

TEST_F(MusicLibraries, SelectingALibraryShowsItsCountOutsideStartUp) {
    addLibrary("Rock", 2);
    p.state.run.StartingUp = true;
    selectMusicLibrary(p.state, "Rock");
    EXPECT_EQ(p.state.CurrentMusicLibrary, "Rock");
    EXPECT_TRUE(p.ui.captions.isEmpty());

    p.state.run.StartingUp = false;
    selectMusicLibrary(p.state, "Rock");
    EXPECT_EQ(p.ui.captions[Control::cmdDatabase], "Update Music Library");
    EXPECT_EQ(p.ui.captions[Control::lblSongCount], "Currently 2 Songs In Selected Music Library");
    EXPECT_TRUE(p.ui.enabling[Control::cmdOK]);
    EXPECT_TRUE(p.ui.enabling[Control::cmdLaunch]);
    EXPECT_EQ(RefreshSongCount(p.state), 2);

    selectMusicLibrary(p.state, "Vanished");
    ASSERT_EQ(p.ui.messages.size(), 1);
    EXPECT_TRUE(lastMessage().reportText.contains("cboMusicLibrary_Click"));
    EXPECT_FALSE(p.ui.enabling[Control::cmdOK]) << "a library that cannot be counted cannot be saved, as an empty one";
    EXPECT_FALSE(p.ui.enabling[Control::cmdLaunch]);
    EXPECT_THROW(RefreshSongCount(p.state), RuntimeError);
    EXPECT_EQ(countRowsQuietly(p.state, "Vanished", Db::Libraries), std::nullopt);
    EXPECT_EQ(p.ui.messages.size(), 1);
}

// The previous version's libraries database, with its libraries and their rows.
class Transfer : public MusicLibraries {
protected:
    void makePrevious(const QStringList& statements, const QString& file = "OrvLibraries8.mdb") {
        ASSERT_TRUE(createDatabaseFile(p.file(file), statements));
    }
    // `count` rows numbered from 1 (i), their Seconds given by an expression of i.
    static QString manyRows(const QString& table, int count, const QString& seconds = "i") {
        return QString(
                   "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                   "INSERT INTO %2 (Artist, Seconds, Filename) SELECT 'A' || i, %3, '/m/' || i || '.mp3' FROM n")
            .arg(count)
            .arg(table, seconds);
    }
    static QString oldRow(const QString& table, const QString& values) {
        return "INSERT INTO " + table +
               " (Artist, Title, Album, SongYear, CDYear, Seconds, Track, Filename, FileDateTimeLow, DateAdded, "
               "LastDateTimePlayed, TimesPlayed, Display) VALUES (" +
               values + ")";
    }
};

TEST_F(Transfer, SkipsLibrariesWithEqualCountsAndCopiesOthersWhole) {
    makePrevious({musicLibraryCreateStatement("Same"), musicLibraryCreateStatement("Jazz"),
                  musicLibraryCreateStatement("MusicLibrary1"),
                  oldRow("Same", "'Old', 'Same', '', '', '', 1, 1, '/o.mp3', 1, NULL, NULL, 0, ''"),
                  oldRow("Jazz",
                         "' Miles ', 'So What''s New', 'Kind', '1959', '2001', 545, 1, '/j1.mp3', -12, "
                         "'2004-01-02 03:04:05', NULL, 7, 'Y'"),
                  oldRow("Jazz",
                         "'Coltrane', 'Naima', NULL, '1960', NULL, NULL, NULL, '/j2.mp3', 5, NULL, "
                         "'2005-06-07 08:09:10', NULL, NULL"),
                  oldRow("MusicLibrary1", "'A', 'B', 'C', '', '', 1, 1, '/a.mp3', 1, NULL, NULL, 0, ''")});
    addLibrary("Same", 1);
    addLibrary("Jazz", 1);
    p.sql(kLibraries, "DROP TABLE MusicLibrary1");

    p.ui.answers = {Answer::Yes};
    EXPECT_EQ(TransferPreviousLibraries(p.state), TransferOutcome::Transferred);
    ASSERT_EQ(p.ui.questions.size(), 1);
    EXPECT_EQ(p.ui.questions[0].title, "Previous Version Detected");
    EXPECT_EQ(p.ui.questions[0].message,
              "Orvella has detected a previous version of the program. \n\n"
              "Would you like to automatically transfer all of the existing Music Libraries to the new version?");
    EXPECT_EQ(p.ui.questions[0].defaultAnswer, Answer::Yes) << "a carry-over removes nothing";
    EXPECT_TRUE(p.ui.messages.isEmpty()) << p.ui.messages.value(0).reportText.toStdString();

    EXPECT_EQ(p.column(kLibraries, "SELECT Artist FROM Same"), QStringList{"A"});
    EXPECT_EQ(
        p.column(kLibraries,
                 "SELECT Artist || '|' || Title || '|' || Album || '|' || SongYear || '|' || CDYear || '|' || "
                 "Seconds || '|' || Track || '|' || FileDateTimeLow || '|' || typeof(DateAdded) || '|' || "
                 "ifnull(DateAdded, '') || '|' || typeof(LastDateTimePlayed) || '|' || "
                 "ifnull(LastDateTimePlayed, '') || '|' || TimesPlayed || '|' || Display FROM Jazz ORDER BY rowid"),
        (QStringList{"Miles|So What's New|Kind|1959|1959|545|1|-12|text|2004-01-02 03:04:05|null||7|Y",
                     "Coltrane|Naima||1960|1960|0|0|5|null||text|2005-06-07 08:09:10|0|"}));
    EXPECT_EQ(p.column(kLibraries, "SELECT Filename FROM MusicLibrary1"), QStringList{"/a.mp3"});
    EXPECT_TRUE(
        p.column(kLibraries, "SELECT name FROM sqlite_master WHERE type = 'index'").contains("MusicLibrary1.Filename"));

    EXPECT_EQ(p.ui.captions[Control::lblDownloadStatus], "Ready...");
    EXPECT_EQ(p.ui.captions[Control::cmdCancel], "Close");
    EXPECT_TRUE(p.ui.enabling[Control::cmdDatabase]);
    EXPECT_TRUE(p.ui.enabling[Control::lstFrames]);
    EXPECT_FALSE(p.ui.enabling[Control::cmdOK]);
    EXPECT_FALSE(p.ui.enabling[Control::cmdViewLogFile]);
    EXPECT_FALSE(p.state.run.BuildRunning);
}

TEST_F(Transfer, AsksOnlyWhenAPreviousDatabaseIsThereAndCopiesOnlyAfterYes) {
    EXPECT_EQ(TransferPreviousLibraries(p.state), TransferOutcome::NoPreviousVersion);
    EXPECT_TRUE(p.ui.questions.isEmpty());

    makePrevious({musicLibraryCreateStatement("Jazz"),
                  oldRow("Jazz", "'A', 'T', '', '', '', 1, 1, '/j.mp3', 1, NULL, NULL, 0, ''")},
                 "OrvLibraries.mdb");
    EXPECT_EQ(TransferPreviousLibraries(p.state), TransferOutcome::Declined);
    EXPECT_FALSE(tables().contains("Jazz"));

    p.ui.answers = {Answer::Yes};
    EXPECT_EQ(TransferPreviousLibraries(p.state), TransferOutcome::Transferred);
    EXPECT_EQ(rows("Jazz"), 1);
}

TEST_F(Transfer, CancelStopsTheCopyAndLeavesTheNextLibraryAlone) {
    makePrevious({musicLibraryCreateStatement("Alpha"), musicLibraryCreateStatement("Beta"),
                  oldRow("Alpha", "'A1', '', '', '', '', 1, 1, '/a1.mp3', 1, NULL, NULL, 0, ''"),
                  oldRow("Alpha", "'A2', '', '', '', '', 1, 1, '/a2.mp3', 1, NULL, NULL, 0, ''"),
                  oldRow("Beta", "'B1', '', '', '', '', 1, 1, '/b1.mp3', 1, NULL, NULL, 0, ''"),
                  oldRow("Beta", "'B2', '', '', '', '', 1, 1, '/b2.mp3', 1, NULL, NULL, 0, ''")});
    addLibrary("Alpha", 1);
    addLibrary("Beta", 1);
    p.ui.answers = {Answer::Yes};
    // The first yield comes before any library, the third before Alpha's second record.
    p.ui.onYield = [&] {
        if (p.ui.yields == 3) p.state.run.CloseRequested = true;
    };
    EXPECT_EQ(TransferPreviousLibraries(p.state), TransferOutcome::Cancelled);
    EXPECT_EQ(p.column(kLibraries, "SELECT Artist FROM Alpha"), QStringList{"A"}) << "the stopped copy rolls back";
    EXPECT_EQ(p.column(kLibraries, "SELECT Artist FROM Beta"), QStringList{"A"});
    EXPECT_EQ(p.ui.captions[Control::lblDownloadStatus], "Ready...");
    EXPECT_TRUE(p.ui.messages.isEmpty());
    EXPECT_FALSE(p.state.run.BuildRunning);
}

TEST_F(Transfer, LibrariesWhoseNamesCannotStandAreCarriedOverUnderMendedNames) {
    QStringList previous;
    for (const char* name : {"\"80s\"", "_80s", "\"Rock & Roll\"", "\"Order\"", "Jazz"})
        previous << musicLibraryCreateStatement(name) << manyRows(name, 2);
    makePrevious(previous);

    p.ui.answers = {Answer::Yes, Answer::Yes};
    EXPECT_EQ(TransferPreviousLibraries(p.state), TransferOutcome::Transferred);
    const QStringList carried{"Jazz", "MusicLibrary1", "Order_2", "Rock___Roll", "_80s", "_80s_2"};
    EXPECT_EQ(tables(), carried);
    for (const char* name : {"Order_2", "Rock___Roll", "_80s", "_80s_2", "Jazz"}) EXPECT_EQ(rows(name), 2) << name;
    ASSERT_EQ(p.ui.messages.size(), 1);
    EXPECT_EQ(lastMessage().title, "Music Libraries Renamed");
    EXPECT_EQ(lastMessage().message,
              "These Music Libraries of the previous version have names that cannot be used as they are. They were "
              "carried over under new names:\n\n'80s' is now '_80s_2'\n'Order' is now 'Order_2'\n'Rock & Roll' is "
              "now 'Rock___Roll'");

    // Offered again (the previous file is still there), the libraries are found under the same names.
    EXPECT_EQ(TransferPreviousLibraries(p.state), TransferOutcome::Transferred);
    EXPECT_EQ(tables(), carried);
    EXPECT_EQ(rows("_80s_2"), 2);
}

TEST_F(Transfer, AValueThatDoesNotFitIsCarriedOverEmptyAndAFailedCopyLeavesTheLibraryAsItWas) {
    makePrevious({musicLibraryCreateStatement("Jazz"), manyRows("Jazz", 3000, "CASE i WHEN 1200 THEN 'abc' ELSE i END"),
                  musicLibraryCreateStatement("Blues"), "INSERT INTO Blues (Artist) VALUES ('Old')"});
    addLibrary("Jazz");
    p.sql(kLibraries, manyRows("Jazz", 5000));
    // A table of that name without the library's columns: the engine rejects the copy's first record.
    p.sql(kLibraries, "CREATE TABLE Blues (Artist Text(255), Filename Text(255))");
    p.sql(kLibraries, "INSERT INTO Blues VALUES ('New', '/1.mp3'), ('New', '/2.mp3')");

    p.ui.answers = {Answer::Yes};
    EXPECT_EQ(TransferPreviousLibraries(p.state), TransferOutcome::Incomplete);
    EXPECT_EQ(rows("Jazz"), 3000);
    EXPECT_EQ(p.column(kLibraries,
                       "SELECT Artist || ':' || typeof(Seconds) FROM Jazz WHERE Seconds IS NULL "
                       "OR Artist IN ('A1199', 'A1201')"),
              (QStringList{"A1199:integer", "A1200:null", "A1201:integer"}));
    EXPECT_EQ(rows("Blues"), 2) << "the copy that failed at its first record is rolled back with the delete";

    ASSERT_EQ(p.ui.messages.size(), 2);
    EXPECT_TRUE(p.ui.messages[0].isReport);
    EXPECT_EQ(p.ui.messages[0].message, "An unexpected problem occurred while trying to update the Music Library.");
    EXPECT_TRUE(p.ui.messages[0].reportText.contains("Procedure: ExecuteSQLCommand\n"));
    EXPECT_EQ(lastMessage().title, "Music Library Values Left Empty");
    EXPECT_EQ(lastMessage().message,
              "Some values of the previous version's Music Libraries do not fit their columns (text in a number "
              "column, for example). They were carried over empty:\n\nJazz: 1 value");
}

}  // namespace

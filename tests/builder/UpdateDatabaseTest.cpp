#include "BuildFixture.h"
#include "builder/BuildOptions.h"
#include "builder/FolderScan.h"
#include "core/Controls.h"
#include "store/BuildLock.h"
#include "store/DataAccess.h"
#include "store/Settings.h"

#include <QRegularExpression>
#include <dirent.h>
#include <unistd.h>

namespace orv {
namespace {

using test::BuildFixture;
using namespace test;

// A frame of 32 kbit/s MPEG audio that TagLib takes for a stream, padded to the size asked for.
QByteArray TinyMp3(int size) {
    return QByteArray("\xff\xfb\x10\xc4", 4) + QByteArray(size - 4, '\0');
}

using Build = BuildFixture;

TEST_F(Build, FirstBuildThenAnUnchangedFolderWritesNothing) {
    mp3("Rock/Don't Stop.mp3", "Don't Stop");
    mp3v1("Rock/Old.mp3", "Old Song");
    put("Rock/exact100.mp3", TinyMp3(100));
    put("Rock/just101.mp3", TinyMp3(101));
    put("notes.txt", "x");

    BuildSummary first = build();
    EXPECT_EQ(first.end, BuildSummary::End::Completed);
    EXPECT_EQ(first.added, 3);
    EXPECT_EQ(records(),
              (QStringList{music("Rock/Don't Stop.mp3|Some Band|Don't Stop"), music("Rock/Old.mp3|Old Band|Old Song"),
                           music("Rock/just101.mp3|Unknown Artist|Unknown Title")}));
    // The ID3v1-only file got its ID3v2 tag, and its record holds the stamp the write left.
    EXPECT_EQ(FrameBody(FileBytes(music("Rock/Old.mp3")), "TIT2").mid(1), "Old Song");

    const BuildSummary second = build();
    EXPECT_EQ(second.end, BuildSummary::End::Completed);
    EXPECT_EQ(second.added, 0);
    EXPECT_EQ(second.updated, 0);
    EXPECT_EQ(second.orphaned, 0);
    EXPECT_EQ(second.unchanged, 3);
    EXPECT_EQ(program.ui.captions[Control::lblDownloadStatus], "Music Library Build/Update Complete");
}

// The records of files whose tags the run writes wait until those writes are in place. They still
// go into the table and the log in the order the walk met the files (a folder's order), with the
// files left out among them, the log counts them, and each holds the stamp its file has now.
TEST_F(Build, RecordsAfterTagWritesKeepTheOrderOfTheFiles) {
    // A third of them get an ID3v2 tag: several groups of writes, each followed by files without one.
    constexpr int kFiles = 800;
    constexpr int kLeftOut = 20;
    for (const bool xml : {true, false}) {
        const QString folder = xml ? "Xml/" : "Text/";
        for (int i = 0; i < kFiles; ++i) {
            const QString name = folder + QString("%1.mp3").arg(i, 3, 10, QLatin1Char('0'));
            i % 3 == 0 ? mp3v1(name, "Old Song") : mp3(name, "Own Title");
            if (i % (kFiles / kLeftOut) == 0) put(folder + QString("%1.wma").arg(i, 3, 10, QLatin1Char('0')), "x");
        }
        QStringList walked;
        DIR* dir = ::opendir(QFile::encodeName(music(folder)).constData());
        ASSERT_NE(dir, nullptr);
        while (const dirent* entry = ::readdir(dir))
            if (entry->d_name[0] != '.') walked << music(folder) + QFile::decodeName(entry->d_name);
        ::closedir(dir);
        const QStringList songs = walked.filter(".mp3");
        BuildOptions o = options();
        o.musicPath = music(folder);
        o.logEnabled = true;
        o.logIsXml = xml;
        const BuildSummary summary = build(o);
        ASSERT_EQ(summary.added, kFiles);
        EXPECT_EQ(summary.skipped, kLeftOut);

        EXPECT_EQ(program.column("OrvLibraries81.mdb", "SELECT FileName FROM MusicLibrary1 WHERE FileName LIKE '%/" +
                                                           folder + "%' ORDER BY rowid"),
                  songs);
        const QString log = QString::fromUtf8(FileBytes(program.state.run.LogFilePath));
        QStringList logged;
        if (xml) {
            EXPECT_TRUE(log.contains(QString("<ADDED_FILES Count=\"%1\">").arg(kFiles))) << log.left(400).toStdString();
            static const QRegularExpression entry("<ADDED_FILE Filename=\"([^\"]*)\">");
            for (const QRegularExpressionMatch& match : entry.globalMatch(log)) logged << match.captured(1);
            EXPECT_EQ(logged, songs);
        } else {
            static const QRegularExpression entry("FILENAME: ([^\r]*)\r\n");
            for (const QRegularExpressionMatch& match : entry.globalMatch(log)) logged << match.captured(1);
            EXPECT_EQ(logged, walked);
        }
        EXPECT_EQ(build(o).unchanged, kFiles);
    }
}

TEST_F(Build, ChangedFilesAreUpdatedAndVanishedOnesOrphanedOnce) {
    const QString kept = mp3("a/Kept.mp3", "Kept");
    const QString gone = mp3("a/It's Gone.mp3", "Gone");
    ASSERT_EQ(build().added, 2);
    setTime(kept, 1600000000);
    QFile::remove(gone);
    mp3("b/New.mp3", "New");
    const BuildSummary summary = build();
    EXPECT_EQ(summary.added, 1);
    EXPECT_EQ(summary.updated, 1);
    EXPECT_EQ(summary.orphaned, 1);
    EXPECT_EQ(records(), (QStringList{music("a/Kept.mp3|Some Band|Kept"), music("b/New.mp3|Some Band|New")}));
    EXPECT_EQ(build().orphaned, 0);
}

TEST_F(Build, OneWritePerFileAndTheRecordIsWhatTheFileReadsBack) {
    const QString bare =
        put("Band X/Album Y/02 - Song Y.mp3", SilentFrames(3) + ID3v1Bytes{"", "", "", "1999"}.bytes());
    const QString banded =
        put("Band Z/Album Z/03 - Song Z.mp3",
            ID3v2Bytes().text("TIT2", "Own Title").text("TPE2", "Own Band").bytes() + SilentFrames(3));
    const QString full = put("Band W/Album W/04 - Song W.mp3", SilentFrames(3));
    ASSERT_EQ(::chmod(QFile::encodeName(full).constData(), 0444), 0);  // its tags cannot be written: its record is
    BuildOptions o = options();
    o.updateBlankTags = true;
    o.blankTagFormat = "%A\\%B\\%K - %T";
    o.logEnabled = true;
    const BuildSummary first = build(o);
    EXPECT_EQ(first.added, 3);
    EXPECT_EQ(first.unwrittenTags, 1);
    EXPECT_EQ(program.ui.notes.filter(full + ": its tags could not be written").size(), 1);
    EXPECT_TRUE(QString::fromUtf8(FileBytes(program.state.run.LogFilePath))
                    .contains("TAGS NOT WRITTEN\r\n    FILENAME: " + full));
    // The path's track went in as the path gives it, not as a second write from the ID3v1 byte.
    EXPECT_EQ(FrameBody(FileBytes(bare), "TRCK").mid(1), "02");
    EXPECT_EQ(FrameBody(FileBytes(banded), "TPE2").mid(1), "Own Band");
    const QString columns =
        "FileName || '|' || Artist || '|' || Title || '|' || Album || '|' || BandName || '|' || "
        "Track || '|' || SongYear || '|' || CDYear || '|' || Genre || '|' || Seconds";
    const QStringList stored = records(columns);
    EXPECT_TRUE(stored.contains(bare + "|Band X|Song Y|Album Y|Band X|2|1999|1999||0"))
        << stored.join("\n").toStdString();
    EXPECT_TRUE(stored.contains(banded + "|Band Z|Own Title|Album Z|Own Band|0||||0"));
    for (const QString& file : {bare, banded, full}) setTime(file, 1700000000);
    EXPECT_EQ(build(o).updated, 3);
    EXPECT_EQ(records(columns), stored);
    // The pattern is kept as the setting only by a run that fills blank tags with it.
    const QString pattern = o.blankTagFormat;
    EXPECT_EQ(GetSetting(program.state, "BlankTagFormat"), pattern);
    o.updateBlankTags = false;
    o.blankTagFormat = "%T";
    build(o);
    EXPECT_EQ(GetSetting(program.state, "BlankTagFormat"), pattern);
}

// A library that holds a file twice: the file is unchanged while either record holds its stamp, a
// change reaches both records, and neither is taken for an orphan.
TEST_F(Build, AFileHeldTwiceIsOneFile) {
    const QString song = mp3("a/Twice.mp3", "Twice");
    ASSERT_EQ(build().added, 1);
    ASSERT_TRUE(ExecuteSQLCommand(program.state,
                                  "INSERT INTO MusicLibrary1 (FileName, FileDateTimeLow, FileDateTimeHigh, Title) "
                                  "SELECT FileName, 1, 2, 'Older' FROM MusicLibrary1",
                                  Db::Libraries));
    BuildSummary summary = build();
    EXPECT_EQ(summary.unchanged, 1);
    EXPECT_EQ(summary.orphaned, 0);
    setTime(song, 1600000000);
    summary = build();
    EXPECT_EQ(summary.updated, 1);
    EXPECT_EQ(summary.orphaned, 0);
    EXPECT_EQ(records("Title"), (QStringList{"Twice", "Twice"}));
}

TEST_F(Build, ASecondBuildOfTheLibraryStopsAtOnce) {
    mp3("a.mp3", "A");
    BuildLock other;
    QString holder;
    ASSERT_TRUE(other.take(program.state.paths.LibrariesDatabasePath, "MusicLibrary1", holder));
    EXPECT_EQ(build().end, BuildSummary::End::NotStarted);
    EXPECT_EQ(messages(), QStringList{"A build of the Music Library MusicLibrary1 is running.  Please wait until it "
                                      "has finished, then try again."});
    other.release();
    EXPECT_EQ(build().added, 1);
}

TEST_F(Build, LeftoversOfKilledWritesGoAndNothingElse) {
    const QStringList stale{".Song.mp3.orv-Ab3dE9", ".Alb.jpg.orv-x0Y1z2", "sub/.Other.MP3.orv-zzzzzz"};
    const QStringList kept{".notes.backup", ".Song.mp3.backup", ".Song.mp3.orv-Ab3dE", ".Song.mp3.orv-Ab3d_9",
                           ".young.mp3.orv-abcdef"};
    for (const QString& name : stale + kept) put(name, "x");
    for (const QString& name : stale + kept) setTime(music(name), name.startsWith(".young") ? 4000000000 : 1600000000);
    build();
    for (const QString& name : stale) EXPECT_FALSE(QFile::exists(music(name))) << name.toStdString();
    for (const QString& name : kept) EXPECT_TRUE(QFile::exists(music(name))) << name.toStdString();
}

TEST_F(Build, CancelInTheWalkSkipsVerifyButFinishesTheTextLog) {
    mp3("a/One.mp3", "One");
    const QString gone = mp3("a/Two.mp3", "Two");
    ASSERT_EQ(build().added, 2);
    SaveSetting(program.state, "SongsCount", "77");
    QFile::remove(gone);
    for (int i = 0; i < 20; ++i) mp3(QString("c/%1.mp3").arg(i), "x");

    BuildOptions o = options();
    o.logEnabled = true;
    o.autoLaunch = true;
    int yields = 0;
    program.ui.onYield = [&] {
        if (++yields == 3) program.state.run.CloseRequested = true;
    };
    const BuildSummary summary = build(o);
    EXPECT_EQ(summary.end, BuildSummary::End::Cancelled);
    EXPECT_EQ(records().size(), 2 + summary.added) << "no verify phase: the vanished file's record stays";
    EXPECT_TRUE(records().contains(gone + "|Some Band|Two"));
    const QString log = QString::fromUtf8(FileBytes(program.state.run.LogFilePath));
    EXPECT_TRUE(log.endsWith("\r\n\r\n\r\nTOTAL ADDED FILES: " + QString::number(summary.added) +
                             "\r\nTOTAL UPDATED FILES: 0\r\nTOTAL ORPHANED RECORDS: 0\r\n"))
        << log.right(120).toStdString();
    EXPECT_EQ(GetSetting(program.state, "SongsCount"), "77") << "no signature after Cancel";
    EXPECT_EQ(program.ui.playerStarts, 0);
    EXPECT_FALSE(program.state.run.BuildRunning);
    EXPECT_EQ(program.ui.captions[Control::cmdCancel], "Close");
    EXPECT_EQ(program.ui.captions[Control::lblDownloadStatus], "Music Library Build/Update Cancelled");
    EXPECT_TRUE(program.ui.enabling[Control::cmdDatabase]);
    EXPECT_FALSE(program.ui.visibility[Control::fraBuildProgress]);
    EXPECT_EQ(program.ui.logsShown, QStringList{program.state.run.LogFilePath});
}

TEST_F(Build, AMusicPathThatIsNotThereLosesNoRecord) {
    mp3("a/One.mp3", "One");
    ASSERT_EQ(build().added, 1);
    const QStringList before = records();
    put("file.mp3", "x");
    program.ui.enabling.clear();
    for (const QString& path : {music("unplugged"), QString(), QString("  "), music("file.mp3")}) {
        program.ui.messages.clear();
        BuildOptions o = options();
        o.musicPath = path;
        EXPECT_EQ(build(o).end, BuildSummary::End::NotStarted) << path.toStdString();
        ASSERT_EQ(program.ui.messages.size(), 1) << path.toStdString();
        EXPECT_EQ(program.ui.messages[0].title, "Music Folder Not Found");
        const QString folder = path.trimmed().isEmpty() ? "No music folder has been chosen." : "'" + path + "'";
        EXPECT_TRUE(program.ui.messages[0].message.contains(folder)) << path.toStdString();
        EXPECT_FALSE(program.state.run.BuildRunning);
    }
    EXPECT_EQ(records(), before);
    EXPECT_TRUE(program.ui.enabling.isEmpty()) << "the window was never touched";
}

TEST_F(Build, AFolderWithoutMediaAsksBeforeItsRecordsGo) {
    mp3("a/One.mp3", "One");
    mp3("a/Two.mp3", "Two");
    ASSERT_EQ(build().added, 2);
    QDir(music("a")).removeRecursively();
    put("readme.txt", "x");

    EXPECT_EQ(build().orphaned, 0);
    ASSERT_EQ(program.ui.questions.size(), 1);
    EXPECT_EQ(program.ui.questions[0].title, "Music Files Not Found");
    EXPECT_EQ(program.ui.questions[0].message, "No music files were found in " + musicDir.path() +
                                                   "/.\n\nRemove the 2 songs of this Music Library whose files "
                                                   "cannot be found?");
    EXPECT_EQ(records().size(), 2);

    program.ui.answers = {Answer::Yes};
    EXPECT_EQ(build().orphaned, 2);
    EXPECT_TRUE(records().isEmpty());
    EXPECT_EQ(program.ui.captions[Control::cmdDatabase], "Build Music Library");
    EXPECT_FALSE(program.ui.enabling[Control::cmdLaunch]);
    EXPECT_FALSE(program.ui.enabling[Control::cmdOK]);
}

TEST_F(Build, ACompletedRunGivesTheWindowBackAndStoresTheSignatureTheWatchFinds) {
    mp3("a/One.mp3", "One");
    mp3("a/b/Two.mp3", "Two");
    mp3v1("a/Old.mp3", "Old");  // written by the build: its new stamp is signed
    mp3(".hidden/Not.mp3", "Not");
    mp3("Recycled/Thrown.mp3", "Thrown");
    mp3("a/.Hidden Song.mp3", "Hidden");
    ASSERT_TRUE(QFile::link(music("a"), music("Again")));
    ASSERT_TRUE(QFile::link(music("a/One.mp3"), music("Linked.mp3")));
    // Files of two names that the build writes under one: the other name's stamp changes too.
    ASSERT_TRUE(QFile::link(music("a/Old.mp3"), music("Old Link.mp3")));
    mp3v1("a/b/Hard.mp3", "Hard");
    ASSERT_EQ(::link(music("a/b/Hard.mp3").toUtf8(), music("Hard Too.mp3").toUtf8()), 0);
    BuildOptions o = options();
    o.logEnabled = true;
    o.autoLaunch = true;
    ASSERT_EQ(build(o).end, BuildSummary::End::Completed);
    const test::ScriptedFrontEnd& ui = program.ui;
    EXPECT_EQ(ui.captions[Control::cmdDatabase], "Update Music Library");
    EXPECT_EQ(ui.captions[Control::lblSongCount], "Currently 9 Songs In Selected Music Library");
    EXPECT_EQ(ui.captions[Control::cmdCancel], "Close");
    EXPECT_EQ(ui.captions[Control::lblBuildFile], "Verifying File:");
    EXPECT_EQ(ui.windowTitle, "Orvella Configurator - Version 8.1.9");
    for (const Control control : longRunLockedControls() + songCountControls())
        EXPECT_TRUE(ui.enabling[control]) << static_cast<int>(control);
    EXPECT_FALSE(ui.visibility[Control::fraBuildProgress]);
    EXPECT_TRUE(ui.visibility[Control::fraBuildOptions]);
    EXPECT_TRUE(ui.visibility[Control::cmdViewLogFile]);
    EXPECT_FALSE(ui.visibility[Control::chkAutoLaunch]) << "hidden once a log is offered";
    EXPECT_EQ(ui.logsShown, QStringList{program.state.run.LogFilePath});
    EXPECT_EQ(ui.playerStarts, 1);
    EXPECT_FALSE(program.state.run.BuildRunning);

    // The watch's walk after the build finds what the build's own walk signed.
    const std::optional<FolderTotals> totals = folderSignature(program.state, musicDir.path());
    ASSERT_TRUE(totals);
    EXPECT_EQ(totals->SongsCount, 9);
    EXPECT_EQ(GetSetting(program.state, "SongsCount"), "9");
    EXPECT_EQ(GetSetting(program.state, "FileDateLowTotal"), QString::number(totals->FileDateLowTotal));
    EXPECT_EQ(GetSetting(program.state, "FileDateHighTotal"), QString::number(totals->FileDateHighTotal));
    // And the records hold the stamps the files have.
    const BuildSummary again = build(options());
    EXPECT_EQ(again.updated, 0);
    EXPECT_EQ(again.unchanged, 9);
}

TEST_F(Build, ALibraryNameThatIsNotPlainIsRefusedBeforeAnyWrite) {
    mp3("a/One.mp3", "One");
    BuildOptions o = options();
    o.library = "MusicLibrary1; DROP TABLE MusicLibrary1";
    EXPECT_EQ(build(o).end, BuildSummary::End::Failed);
    ASSERT_EQ(program.ui.messages.size(), 1);
    EXPECT_TRUE(program.ui.messages[0].reportText.contains("UpdateDatabase"));
    EXPECT_TRUE(program.ui.messages[0].reportText.contains("3125"));
    EXPECT_TRUE(records().isEmpty());
    EXPECT_FALSE(program.state.run.BuildRunning);
}

TEST_F(Build, AnOldDataAccessVersionStopsTheRunBeforeAnyWrite) {
    mp3("a/One.mp3", "One");
    program.state.session.DataAccessVersionSource = [] { return QString("2.6"); };
    EXPECT_EQ(build().end, BuildSummary::End::NotStarted);
    ASSERT_EQ(program.ui.messages.size(), 1);
    EXPECT_EQ(program.ui.messages[0].title, "For Your Information...");
    EXPECT_TRUE(program.ui.messages[0].message.startsWith(
        "You will need to upgrade your version of the Microsoft Data Access Components (MDAC) on your computer "
        "before you can Build or Update your Music Library.\n\nYour currently installed version of these "
        "components is:\n\n2.6\n\n"));
    EXPECT_TRUE(records().isEmpty());
    EXPECT_FALSE(program.state.run.BuildRunning);
}

TEST_F(Build, NamesThatAreNotTextAreNotedOnceAndNeverAdded) {
    mp3("good.mp3", "Good");
    const QByteArray bad = QFile::encodeName(music()) + "bad\xff.mp3";
    QFile file;
    ASSERT_TRUE(file.open(std::fopen(bad.constData(), "w"), QIODevice::WriteOnly, QFile::AutoCloseHandle));
    file.write(ID3v2Bytes().text("TIT2", "Bad").bytes() + SilentFrames(3));
    file.close();
    BuildOptions o = options();
    o.logEnabled = true;
    for (int run = 0; run < 2; ++run) {
        program.ui.notes.clear();
        const BuildSummary summary = build(o);
        EXPECT_EQ(summary.added, run == 0 ? 1 : 0);
        EXPECT_EQ(summary.orphaned, 0);
        EXPECT_EQ(program.ui.notes.size(), 1);
        EXPECT_TRUE(program.ui.notes.value(0).startsWith(music("bad\\xff.mp3: ")));
        EXPECT_TRUE(QString::fromUtf8(FileBytes(program.state.run.LogFilePath))
                        .contains("\r\nSKIPPED FILE\r\n    FILENAME: " + music("bad\\xff.mp3") + "\r\n"));
    }
    EXPECT_EQ(records(), QStringList{music("good.mp3|Some Band|Good")});
}

TEST_F(Build, SideFileMediaTakesItsFieldsFromTheTagFile) {
    put("v/NoTag.wma", "x");
    const QString wma = put("v/Song.wma", "x");
    put("v/Song.wma.tag",
        "<song><Artist>Rock & Roll Band</Artist><Title>Song One</Title><Year>2003</Year>"
        "<Seconds>215</Seconds><Duration>3:35</Duration></song>");
    const QString mpeg = put("v/Clip.mpeg", "x");
    put("v/Clip.mpeg.tag", "<x/>");
    put("v/Other.mp2", "x");
    put("v/Other.mp2.tag", "<x/>");
    put("w/Bad.wav", "x");
    put("w/Bad.wav.tag", "<s><Artist>x</s>");
    put("w/Long.avi", "x");
    put("w/Long.avi.tag", "<s><Artist>" + QByteArray(300, 'L') + "</Artist></s>");
    const BuildSummary summary = build();
    ASSERT_EQ(summary.added, 3);
    EXPECT_EQ(summary.skipped, 2);  // NoTag.wma has no side file, and Bad.wav's is not XML
    EXPECT_EQ(program.ui.notes.filter(music("w/Bad.wav: Its side file is not well-formed XML")).size(), 1);
    EXPECT_EQ(program.ui.notes.filter(music("v/NoTag.wma: It has no side file")).size(), 1);
    const QString columns =
        "FileName || '|' || Artist || '|' || Title || '|' || Album || '|' || Track || '|' || "
        "SongYear || '|' || CDYear || '|' || SongDecade || '|' || Seconds || '|' || Duration";
    EXPECT_EQ(records(columns),
              (QStringList{mpeg + "|Unknown Artist|Unknown Title|Unknown Album|0||||0|",
                           wma + "|Rock & Roll Band|Song One|Unknown Album|0|2003|2003|2000's|215|3:35",
                           music("w/Long.avi|") + QString(255, 'L') + "|Unknown Title|Unknown Album|0||||0|"}));

    // An edit that keeps the side file's size is not seen; one that changes it is.
    put("v/Song.wma.tag",
        "<song><Artist>Rock & Roll Bend</Artist><Title>Song One</Title><Year>2003</Year>"
        "<Seconds>215</Seconds><Duration>3:35</Duration></song>");
    EXPECT_EQ(build().updated, 0);
    put("v/Song.wma.tag", "<song><Artist>O'Brien</Artist><Track>4</Track><Duration>1'2</Duration></song>");
    EXPECT_EQ(build().updated, 1);
    EXPECT_TRUE(records(columns).contains(wma + "|O'Brien|Unknown Title|Unknown Album|4||||0|1'2"));
}

TEST_F(Build, OtherFormatsAreTakenWhenAskedForFromTheirOwnTagsAndNeverWritten) {
    const QString fixtures = QStringLiteral(ORVELLA_TAG_FIXTURES) + "/";
    QMap<QString, QByteArray> songs;
    const std::pair<const char*, const char*> copies[] = {
        {"song.flac", "Xiph/song.flac"}, {"song.ogg", "Xiph/song.ogg"},
        {"song.opus", "Xiph/song.opus"}, {"song.m4a", "Mp4/song.m4a"},
        {"song.wma", "Win/song.wma"},    {"song.wav", "Win/song.wav"},
        {"song.wma", "Win/side.wma"},    {"bare.flac", "Artist Name - Bare Title.flac"}};
    for (const auto& [fixture, relative] : copies)
        songs[put(relative, FileBytes(fixtures + fixture))] = FileBytes(fixtures + fixture);
    put("Win/side.wma.tag", "<song><Artist>Side</Artist></song>");
    put("fake.flac", SilentFrames(3));
    EXPECT_EQ(build().added, 1) << "without extra media types, only the song with a side file";
    EXPECT_EQ(program.ui.notes.size(), 2) << "the WMA and WAV files without a side file";
    program.ui.notes.clear();

    BuildOptions o = options();
    o.extraMediaTypes = mediaTypesOf(kModernMediaTypes + "; WAV; *.wma");
    o.updateBlankTags = true;
    o.blankTagFormat = "%A - %T";
    o.extractEmbeddedImages = true;
    EXPECT_EQ(build(o).added, 7);
    const QString xiph = QString::fromUtf8("|Xiph Singer|Tschüß Song|Xiph Band|3|1975|1|0:01|Y");
    EXPECT_EQ(
        records("FileName || '|' || Artist || '|' || Title || '|' || BandName || '|' || Track || '|' || "
                "SongYear || '|' || Seconds || '|' || Duration || '|' || HasLyrics"),
        (QStringList{music("Artist Name - Bare Title.flac|Artist Name|Bare Title|Unknown Band|0||1|0:01|"),
                     music("Mp4/song.m4a|MP4 Singer|MP4 Song|MP4 Band|7|2004|1|0:01|Y"),
                     music("Win/side.wma|Side|Unknown Title|Unknown Band|0||0||"),
                     music("Win/song.wav|WAV Singer|WAV Song|WAV Singer|2|2001|1|0:01|Y"),
                     music("Win/song.wma|WMA Singer|WMA Song|WMA Band|5|1988|1|0:01|Y"), music("Xiph/song.flac") + xiph,
                     music("Xiph/song.ogg") + xiph, music("Xiph/song.opus") + xiph}));
    EXPECT_EQ(QImage(music("Xiph/Xiph Album.jpg")).size(), QSize(8, 8)) << "the embedded picture became the cover";
    EXPECT_TRUE(FileBytes(music("Mp4/MP4 Album.jpg")).startsWith("\xff\xd8")) << "a PNG cover became a JPEG";
    for (auto song = songs.cbegin(); song != songs.cend(); ++song)
        EXPECT_EQ(FileBytes(song.key()), song.value()) << song.key().toStdString();
    EXPECT_EQ(program.ui.notes,
              QStringList{music("fake.flac: The file cannot be read as FLAC audio: it is not what its name says.")});

    EXPECT_EQ(build(o).unchanged, 8);
    setTime(music("Xiph/song.flac"), 1000000000);
    EXPECT_EQ(build(o).updated, 1);
}

}  // namespace
}  // namespace orv

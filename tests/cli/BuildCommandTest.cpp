#include "support/Cli.h"
#include "support/Files.h"
#include "support/HttpServer.h"
#include "support/TestProgram.h"
#include "tags/Mp3Fixture.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <csignal>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace orv {
namespace {

using namespace test;

// Every MP3 file under a folder by its path relative to it, with its bytes.
QMap<QString, QByteArray> Files(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, {"*.mp3"}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path.mid(folder.size()), FileBytes(path));
    }
    return files;
}

// A fresh home, still at its first use: the command line takes the stored music folder all the same.
struct BuildCommand : CliHome {
    QString libraries() const { return file("OrvLibraries81.mdb"); }
    // The library's records with their paths relative to the music folder, sorted.
    QStringList records(const QString& music) const {
        QStringList rows =
            QueryColumn(libraries(), "SELECT substr(FileName, " + QString::number(music.size() + 1) +
                                         ") || '|' || Artist || '|' || Title || '|' || Album || '|' || Track || "
                                         "'|' || SongYear || '|' || Seconds FROM MusicLibrary1");
        rows.sort();
        return rows;
    }
    QString logText() const {
        const QStringList logs = QDir(home.path()).entryList({"MusicLibraryLog-*"}, QDir::Files, QDir::Time);
        return logs.isEmpty() ? QString() : QString::fromUtf8(FileBytes(file(logs.first())));
    }
    QProcess* startBuild(const QString& music) {
        auto* process = new QProcess;
        process->setStandardInputFile(QProcess::nullDevice());
        process->start(ORVELLA_CLI, {"--home", home.path(), "build", "--music", music, "--log", "text"});
        EXPECT_TRUE(process->waitForStarted());
        return process;
    }
    // Waits until the newest log holds at least `entries` entries (or its footer); false when a minute
    // passes first. Every change that the build makes in the home folder wakes the wait.
    bool waitForEntries(int entries) const {
        const int watch = ::inotify_init1(IN_CLOEXEC);
        ::inotify_add_watch(watch, QFile::encodeName(home.path()).constData(), IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE);
        const QDeadlineTimer deadline(60000);
        const auto reached = [&] {
            const QString log = logText();
            return log.count("ADDED FILE\r\n") >= entries || log.contains("TOTAL ORPHANED");
        };
        pollfd changed{watch, POLLIN, 0};
        char events[4096];
        bool done = false;
        while (!(done = reached()) && ::poll(&changed, 1, static_cast<int>(deadline.remainingTime())) > 0 &&
               ::read(watch, events, sizeof events) > 0) {
        }
        ::close(watch);
        return done;
    }
};

TEST_F(BuildCommand, BuildsFromTheSettingsAndPrintsOneSummaryLine) {
    QTemporaryDir music;
    WriteMusicFolder(music.path(), 4);
    // A damaged cover beside the songs: the command line shows no covers, and says nothing of it.
    QByteArray cover;
    QBuffer buffer(&cover);
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "JPG"));
    ASSERT_TRUE(WriteFile(music.path() + "/Artist 0/Album 0/Old Album.jpg", cover.left(cover.size() / 2)));
    ASSERT_EQ(Cli(home.path(), {"settings", "set", "MusicPath", music.path() + "/"}).status, 0);
    ASSERT_EQ(Cli(home.path(), {"settings", "set", "LogType", "XML"}).status, 0);
    CliRun run = Cli(home.path(), {"build"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(
        run.out.startsWith("added 4, updated 0, orphaned 0, unchanged 0, skipped 0, tags not written 0, seconds "))
        << run.out.toStdString();
    EXPECT_EQ(run.out.count('\n'), 1);
    EXPECT_TRUE(run.err.isEmpty()) << "no progress line without a terminal";
    EXPECT_EQ(QDir(home.path()).entryList({"MusicLibraryLog-MusicLibrary1-*.xml"}).size(), 1);
    EXPECT_EQ(QueryColumn(libraries(), "SELECT name FROM sqlite_master WHERE type = 'index'"),
              QStringList{"MusicLibrary1.Filename"})
        << "changed and vanished files are found by name through the index";

    ASSERT_EQ(Cli(home.path(), {"settings", "set", "CreateLog", "False"}).status, 0);
    run = Cli(home.path(), {"build"});
    EXPECT_TRUE(
        run.out.startsWith("added 0, updated 0, orphaned 0, unchanged 4, skipped 0, tags not written 0, seconds "));
    EXPECT_EQ(QDir(home.path()).entryList({"MusicLibraryLog-*"}).size(), 1) << "CreateLog is off";

    EXPECT_EQ(Cli(home.path(), {"build", "--log", "html"}).status, 2);
    EXPECT_EQ(Cli(home.path(), {"build", "--music"}).status, 2);
    run = Cli(home.path(), {"build", "--music", music.path() + "/none"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("Music Folder Not Found\nOrvella could not find or read the music folder '" +
                                 music.path() + "/none'."));

    // A library is named as the list names it; a name not listed builds nothing.
    run = Cli(home.path(), {"build", "--library", "musiclibrary1", "--log", "text"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList textLogs = QDir(home.path()).entryList({"*.txt"});
    ASSERT_EQ(textLogs.size(), 1);
    EXPECT_TRUE(textLogs[0].startsWith("MusicLibraryLog-MusicLibrary1-")) << textLogs[0].toStdString();
    run = Cli(home.path(), {"build", "--library", "Jazz"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Music Library Not Found\nThere is no Music Library named 'Jazz'.\n");
    // Without a libraries database the one report is that it is missing.
    ASSERT_TRUE(QFile::remove(libraries()));
    run = Cli(home.path(), {"build"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.startsWith("For Your Information...\nOrvella Configurator cannot find the Music Library file"));
    EXPECT_FALSE(run.err.contains("Unexpected Error")) << run.err.toStdString();
}

// The cover options come from the Settings too. (What the catalogue is asked, and that a miss is
// remembered, the cover-art tests show.)
TEST_F(BuildCommand, TheCoverArtSettingsReachTheBuild) {
    HttpServer catalogue;
    catalogue.route("/onca/xml3", {HttpReply{200, "<?xml version=\"1.0\"?><ProductInfo></ProductInfo>"}});
    QTemporaryDir music;
    for (const auto& [name, value] : {std::pair{"CoverArtService", QString("catalogue")},
                                      {"CoverArtCatalogue", catalogue.url({}).toString()},
                                      {"DownloadCoverArt", QString("True")},
                                      {"MusicPath", music.path() + "/"}})
        ASSERT_EQ(Cli(home.path(), {"settings", "set", name, value}).status, 0);
    WriteMp3(music.filePath("1.mp3"), ID3v2Bytes().text("TPE1", "Nobody").text("TALB", "Unknown Album").bytes(),
             SilentFrames(3));
    ASSERT_EQ(Cli(home.path(), {"build"}).status, 0);
    EXPECT_GT(catalogue.requests().size(), 0);
    EXPECT_FALSE(QFile::exists(music.filePath("Unknown Album.jpg")));
}

// The picture module is loaded from beside the program, wherever that is; without it, a song whose
// picture needs it is left out, and the module is named.
TEST_F(BuildCommand, ThePictureModuleIsLoadedFromBesideTheProgram) {
    QTemporaryDir music, programs;
    const QString song = music.filePath("Mp4/song.m4a"), cover = music.filePath("Mp4/MP4 Album.jpg");
    ASSERT_TRUE(QDir().mkpath(music.filePath("Mp4")) && QFile::copy(ORVELLA_TAG_FIXTURES "/song.m4a", song));
    const QString cli = programs.filePath("orvella-cli");
    ASSERT_TRUE(QFile::copy(ORVELLA_CLI, cli));
    for (const auto& [name, value] : {std::pair{"MusicPath", music.path() + "/"},
                                      {"ExtractEmbeddedImages", QString("True")},
                                      {"ExtraMediaTypes", QString("M4A")}})
        ASSERT_EQ(Cli(home.path(), {"settings", "set", name, value}).status, 0);

    CliRun run = Cli(home.path(), {"build"}, cli);
    EXPECT_TRUE(run.out.startsWith("added 0, updated 0, orphaned 0, unchanged 0, skipped 1,")) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains(song + ": The image library liborvella-images.so cannot be loaded: "))
        << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(cover));

    ASSERT_TRUE(QFile::copy(QFileInfo(ORVELLA_CLI).path() + "/liborvella-images.so",
                            programs.filePath("liborvella-images.so")));
    run = Cli(home.path(), {"build"}, cli);
    EXPECT_TRUE(run.out.startsWith("added 1,")) << run.out.toStdString();
    EXPECT_TRUE(FileBytes(cover).startsWith("\xff\xd8")) << "the embedded PNG became a JPEG cover";
}

TEST_F(BuildCommand, WatchAsksAndYesRunsTheBuild) {
    QTemporaryDir music;
    WriteMusicFolder(music.path(), 2);
    ASSERT_EQ(Cli(home.path(), {"settings", "set", "MusicPath", music.path() + "/"}).status, 0);
    ASSERT_EQ(Cli(home.path(), {"build"}).status, 0);
    WriteMusicFolder(music.path() + "/more", 1);
    CliRun run = Cli(home.path(), {"watch"});
    EXPECT_TRUE(run.err.contains("Music Path Contents Modified")) << run.err.toStdString();
    EXPECT_EQ(records(music.path()).size(), 2) << "no terminal: answered No";
    WriteMusicFolder(music.path() + "/again", 1);
    run = Cli(home.path(), {"--yes", "watch"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(records(music.path()).size(), 4);

    // The current library must be one the list holds, for the watch and for following the folder.
    ASSERT_EQ(Cli(home.path(), {"settings", "set", "CurrentMusicLibrary", "Jazz"}).status, 0);
    WriteMusicFolder(music.path() + "/third", 1);
    for (const QStringList& watch : {QStringList{"--yes", "watch"}, QStringList{"watch", "--follow"}}) {
        run = Cli(home.path(), watch);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "Music Library Not Found\nThere is no Music Library named 'Jazz'.\n");
    }
    EXPECT_EQ(records(music.path()).size(), 4);
}

TEST_F(BuildCommand, CtrlCCancelsAfterTheCurrentFileAndFinishesTheLog) {
    QTemporaryDir music;
    WriteMusicFolder(music.path(), 1500);
    std::unique_ptr<QProcess> process(startBuild(music.path()));
    ASSERT_TRUE(waitForEntries(1));
    ::kill(static_cast<pid_t>(process->processId()), SIGINT);
    ASSERT_TRUE(process->waitForFinished(60000));
    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process->exitCode(), 130);
    const QString log = logText();
    EXPECT_TRUE(log.contains("\r\n\r\n\r\nTOTAL ADDED FILES: ")) << log.right(200).toStdString();
    EXPECT_LT(records(music.path()).size(), 1500);
    EXPECT_TRUE(QString::fromUtf8(process->readAllStandardOutput()).startsWith("added "));
}

// A build killed at any moment leaves the database whole and every file old or new; the next run
// completes it, and it agrees with a build that was never interrupted.
TEST_F(BuildCommand, AKilledBuildLosesNothing) {
    QTemporaryDir pristine, reference;
    WriteMusicFolder(pristine.path(), 600);
    const QMap<QString, QByteArray> before = Files(pristine.path());
    ASSERT_EQ(QProcess::execute("cp", {"-a", pristine.path() + "/.", reference.path()}), 0);
    ASSERT_EQ(Cli(home.path(), {"build", "--music", reference.path()}).status, 0);
    const QStringList cleanRecords = records(reference.path());
    ASSERT_EQ(cleanRecords.size(), 600);
    const QMap<QString, QByteArray> after = Files(reference.path());

    for (const int entries : {1, 150, 400, 590}) {
        SCOPED_TRACE(entries);
        ASSERT_EQ(Cli(home.path(), {"--yes", "libraries", "clear", "MusicLibrary1"}).status, 0);
        QTemporaryDir music;
        ASSERT_EQ(QProcess::execute("cp", {"-a", pristine.path() + "/.", music.path()}), 0);
        std::unique_ptr<QProcess> process(startBuild(music.path()));
        ASSERT_TRUE(waitForEntries(entries));
        process->kill();
        process->waitForFinished();

        EXPECT_EQ(QueryColumn(libraries(), "PRAGMA integrity_check"), QStringList{"ok"});
        const QMap<QString, QByteArray> killed = Files(music.path());
        ASSERT_EQ(killed.keys(), before.keys());
        for (auto it = killed.cbegin(); it != killed.cend(); ++it)
            EXPECT_TRUE(it.value() == before[it.key()] || it.value() == after[it.key()]) << it.key().toStdString();

        EXPECT_EQ(Cli(home.path(), {"build", "--music", music.path()}).status, 0);
        EXPECT_EQ(records(music.path()), cleanRecords);
        EXPECT_EQ(Files(music.path()), after);
    }
}

}  // namespace
}  // namespace orv

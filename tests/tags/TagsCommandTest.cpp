#include "Mp3Fixture.h"

#include "support/Cli.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using namespace orv::test;

class TagsCommand : public ::testing::Test {
protected:
    QString path(const QString& name) const { return music.path() + "/" + name; }

    // The JSON objects of a run, one a line, as maps of their text values.
    QList<QVariantMap> json(const QStringList& files) const {
        const CliRun run = Cli(home.path(), QStringList{"tags", "--json"} + files);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        QList<QVariantMap> objects;
        for (const QString& line : run.out.split('\n', Qt::SkipEmptyParts))
            objects << QJsonDocument::fromJson(line.toUtf8()).object().toVariantMap();
        return objects;
    }

    QTemporaryDir home;
    QTemporaryDir music;
};

TEST_F(TagsCommand, ReadsWithoutWritingAndFillsBlankTagsFromThePath) {
    const QByteArray v1Only = SilentFrames(10) + ID3v1Bytes{"Old Song", "", "", "", "", 1, 17}.bytes();
    WriteMp3(path("v1.mp3"), {}, v1Only);
    QList<QVariantMap> objects = json({path("v1.mp3")});
    ASSERT_EQ(objects.size(), 1);
    EXPECT_EQ(objects[0].value("Title"), "Old Song");
    EXPECT_EQ(objects[0].value("Genre"), "Rock");
    EXPECT_EQ(objects[0].value("HasID3v2"), false);
    EXPECT_EQ(FileBytes(path("v1.mp3")), v1Only);

    QDir().mkpath(path("Artist Name/Album Name"));
    const QString file = path("Artist Name/Album Name/01 - Song Title.mp3");
    WriteMp3(file, {}, SilentFrames(10));
    const QByteArray untagged = FileBytes(file);
    const CliRun dry = Cli(home.path(), {"tags", "--blank-tags", "%A\\%B\\%K - %T", "--dry-run", file, path("v1.mp3")});
    EXPECT_EQ(dry.out, "File: " + file + "\nArtist: Artist Name\nAlbum: Album Name\nTitle: Song Title\nTrack: 01\n\n");
    EXPECT_TRUE(dry.err.contains(path("v1.mp3") + " does not match the pattern")) << dry.err.toStdString();
    EXPECT_EQ(FileBytes(file), untagged) << "a dry run writes nothing";
    const CliRun run = Cli(home.path(), {"tags", "--blank-tags", "%A\\%B\\%K - %T", file, path("missing.mp3")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(path("missing.mp3"))) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("File: " + file + "\nTitle: Song Title\nArtist: Artist Name\nAlbum: Album Name\n"))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("\nTrack: 01\n"));

    objects = json({file});
    ASSERT_EQ(objects.size(), 1);
    EXPECT_EQ(objects[0].value("Band"), "Artist Name");
    EXPECT_EQ(objects[0].value("HasID3v2"), true);
    EXPECT_EQ(Cli(home.path(), {"tags", "--json"}).status, 2);
    // Other formats by their own tags.
    objects = json({QStringLiteral(ORVELLA_TAG_FIXTURES) + "/song.m4a"});
    EXPECT_EQ(objects.value(0).value("Title"), "MP4 Song");
    EXPECT_EQ(objects.value(0).value("Seconds"), "1");
}

// A file tagged by an independent program.
TEST_F(TagsCommand, FileTaggedByMutagen) {
    QString python = QStandardPaths::findExecutable("python3", {"/usr/bin"});
    if (python.isEmpty()) python = QStandardPaths::findExecutable("python3");
    const char* script = R"(
import sys
from mutagen.id3 import ID3, TIT1, TIT2, TPE1, TALB, TYER, TORY, TCON, TRCK, COMM, TXXX, USLT
path = sys.argv[1]
open(path, 'wb').write((bytes([0xFF, 0xFB, 0x90, 0xC4]) + bytes(413)) * 200)
tag = ID3()
for frame in [TIT1(encoding=3, text='Yes'), TIT2(encoding=3, text='Tschüß'), TPE1(encoding=3, text='Singer'),
              TALB(encoding=3, text='Record'), TYER(encoding=0, text='1999'), TORY(encoding=0, text='1975'),
              TCON(encoding=0, text='(13)'), TRCK(encoding=0, text='5/14'), TXXX(encoding=3, desc='Rating', text='4'),
              COMM(encoding=3, lang='eng', desc='Note', text="It's fine"), USLT(encoding=0, lang='eng', text='La')]:
    tag.add(frame)
tag.save(path, v2_version=3, v1=2)
)";
    QProcess process;
    process.start(python, {"-c", script, path("mutagen.mp3")});
    process.waitForFinished(-1);
    if (python.isEmpty() || process.exitCode() != 0)
        GTEST_SKIP() << "python3 with mutagen is not available: " << process.readAllStandardError().toStdString();

    const QList<QVariantMap> objects = json({path("mutagen.mp3")});
    ASSERT_EQ(objects.size(), 1);
    const QVariantMap expected{{"File", path("mutagen.mp3")},
                               {"Title", QString::fromUtf8("Tschüß")},
                               {"Artist", "Singer"},
                               {"Album", "Record"},
                               {"Band", "Singer"},
                               {"SongYear", "1975"},
                               {"CDYear", "1999"},
                               {"Track", "5"},
                               {"Lyrics", "La"},
                               {"Genre", "Pop"},
                               {"Rating", "4"},
                               {"CommentTitle", "Note"},
                               {"CommentText", "It's fine"},
                               {"SongDecade", "1970's"},
                               {"Compilation", "Y"},
                               {"Seconds", "5"},
                               {"Duration", "0:05"},
                               {"HasID3v2", true}};
    EXPECT_EQ(objects[0], expected);
}

TEST_F(TagsCommand, FilesThatCannotBeReadOrWrittenAreReported) {
    const QString pipe = path("pipe.mp3");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    WriteMp3(path("fake.m4a"), {}, SilentFrames(10));
    CliRun run = Cli(home.path(), {"tags", pipe, "/dev/zero", path("fake.m4a")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("Cannot read " + pipe + " as an MP3 file.")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Cannot read /dev/zero as an MP3 file."));
    EXPECT_TRUE(run.err.contains("Cannot read " + path("fake.m4a") + " as MP4 audio."));

    const QString file = path("Artist - Title.mp3");
    WriteMp3(file, {}, SilentFrames(10));
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0444), 0);
    run = Cli(home.path(), {"tags", "--blank-tags", "%A - %T", file});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("Cannot write the tags of " + file + ".")) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("\nArtist: Artist\n")) << run.out.toStdString();
    EXPECT_EQ(FileBytes(file), SilentFrames(10));
}

}  // namespace

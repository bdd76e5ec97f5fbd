#include "Mp3Fixture.h"

#include "support/Cli.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace orv::test;

class TagsCommand : public ::testing::Test {
protected:
    QString path(const QString& name) const { return music.path() + "/" + name; }

    // The JSON objects of a run, one a line.
    static QList<QJsonObject> Objects(const CliRun& run) {
        QList<QJsonObject> objects;
        for (const QString& line : run.out.split('\n', Qt::SkipEmptyParts))
            objects << QJsonDocument::fromJson(line.toUtf8()).object();
        return objects;
    }

    static void ExpectFields(const QJsonObject& object, const std::map<QString, QString>& expected) {
        for (const auto& [key, value] : expected) EXPECT_EQ(object.value(key).toString(), value) << key.toStdString();
    }

    QTemporaryDir home;
    QTemporaryDir music;
};

TEST_F(TagsCommand, JsonForFilesTaggedElsewhere) {
    WriteMp3(path("v2.mp3"),
             ID3v2Bytes()
                 .text("TIT1", "Yes")
                 .text("TIT2", QString::fromUtf8("Café Song"), true)
                 .text("TPE1", "Artist")
                 .text("TYER", "1999")
                 .text("TORY", "1975")
                 .text("TCON", "(13)")
                 .text("TRCK", "5/14")
                 .comment("Liner", "Nice")
                 .userText("Rating", "4")
                 .lyrics("La la")
                 .bytes(),
             SilentFrames(100));
    WriteMp3(path("v1.mp3"), {}, SilentFrames(100),
             ID3v1Bytes{"Old Song", "Old Band", "Old Album", "1994", "Old comment", 0, 255}.bytes());

    const CliRun run = Cli(home.path(), {"tags", "--json", path("v2.mp3"), path("v1.mp3")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QList<QJsonObject> objects = Objects(run);
    ASSERT_EQ(objects.size(), 2);
    ExpectFields(objects[0], {{"File", path("v2.mp3")}, {"Title", QString::fromUtf8("Café Song")},
                              {"Artist", "Artist"},     {"Band", "Artist"},
                              {"Album", ""},            {"SongYear", "1975"},
                              {"CDYear", "1999"},       {"SongDecade", "1970's"},
                              {"Track", "5"},           {"Genre", "Pop"},
                              {"Rating", "4"},          {"CommentTitle", "Liner"},
                              {"CommentText", "Nice"},  {"Lyrics", "La la"},
                              {"Compilation", "Y"},     {"Seconds", "3"},
                              {"Duration", "0:03"}});
    EXPECT_EQ(objects[0].value("HasID3v2"), QJsonValue(true));
    ExpectFields(objects[1], {{"Title", "Old Song"}, {"Artist", "Old Band"}, {"Band", "Old Band"},
                              {"SongYear", "1994"},  {"CDYear", "1994"},     {"SongDecade", "1990's"},
                              {"Track", "0"},        {"Genre", ""},          {"CommentText", "Old comment"},
                              {"Compilation", ""}});
    EXPECT_EQ(objects[1].value("HasID3v2"), QJsonValue(false));
    // Reading gives no file an ID3v2 tag.
    EXPECT_FALSE(FileBytes(path("v1.mp3")).startsWith("ID3"));
}

TEST_F(TagsCommand, BlankTagsPatternFillsAndWritesTheFile) {
    QDir().mkpath(path("Artist Name/Album Name"));
    const QString file = path("Artist Name/Album Name/01 - Song Title.mp3");
    WriteMp3(file, {}, SilentFrames(10));

    const CliRun run = Cli(home.path(), {"tags", "--blank-tags", "%A\\%B\\%K - %T", file, path("missing.mp3")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(path("missing.mp3"))) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("File: " + file + "\nTitle: Song Title\nArtist: Artist Name\nAlbum: Album Name\n"))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("\nTrack: 01\n"));
    EXPECT_TRUE(run.out.contains("\nHasID3v2: false\n"));

    const QList<QJsonObject> again = Objects(Cli(home.path(), {"tags", "--json", file}));
    ASSERT_EQ(again.size(), 1);
    ExpectFields(again[0], {{"Title", "Song Title"}, {"Artist", "Artist Name"}, {"Band", "Artist Name"},
                            {"Album", "Album Name"}, {"Track", "01"}});
    EXPECT_EQ(again[0].value("HasID3v2"), QJsonValue(true));

    EXPECT_EQ(Cli(home.path(), {"tags", "--json"}).status, 2);
}

// A file tagged by an independent program, when one is at hand.
TEST_F(TagsCommand, FileTaggedByMutagen) {
    QString python = QStandardPaths::findExecutable("python3", {"/usr/bin"});
    if (python.isEmpty()) python = QStandardPaths::findExecutable("python3");
    const char* script = R"(
import sys
from mutagen.id3 import ID3, TIT1, TIT2, TPE1, TPE2, TALB, TYER, TORY, TCON, TRCK, COMM, TXXX
path = sys.argv[1]
open(path, 'wb').write((bytes([0xFF, 0xFB, 0x90, 0xC4]) + bytes(413)) * 200)
tag = ID3()
tag.add(TIT1(encoding=3, text='Yes'))
tag.add(TIT2(encoding=3, text='Tschüß'))
tag.add(TPE1(encoding=3, text='Singer'))
tag.add(TPE2(encoding=3, text='The Band'))
tag.add(TALB(encoding=3, text='Record'))
tag.add(TYER(encoding=0, text='2001'))
tag.add(TCON(encoding=0, text='Trip-Hop'))
tag.add(TRCK(encoding=0, text='3/9'))
tag.add(COMM(encoding=3, lang='eng', desc='Note', text="It's fine"))
tag.add(TXXX(encoding=3, desc='Rating', text='5'))
tag.save(path, v2_version=3, v1=2)
)";
    QProcess process;
    process.start(python, {"-c", script, path("mutagen.mp3")});
    process.waitForFinished(-1);
    if (python.isEmpty() || process.exitCode() != 0)
        GTEST_SKIP() << "python3 with mutagen is not available: " << process.readAllStandardError().toStdString();

    const QList<QJsonObject> objects = Objects(Cli(home.path(), {"tags", "--json", path("mutagen.mp3")}));
    ASSERT_EQ(objects.size(), 1);
    ExpectFields(objects[0], {{"Title", QString::fromUtf8("Tschüß")}, {"Artist", "Singer"}, {"Band", "The Band"},
                              {"Album", "Record"}, {"SongYear", "2001"}, {"CDYear", "2001"},
                              {"SongDecade", "2000's"}, {"Track", "3"}, {"Genre", "Trip-Hop"}, {"Rating", "5"},
                              {"CommentTitle", "Note"}, {"CommentText", "It's fine"}, {"Compilation", "Y"},
                              {"Seconds", "5"}, {"Duration", "0:05"}});
}

}  // namespace

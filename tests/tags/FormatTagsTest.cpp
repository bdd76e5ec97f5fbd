#include "Mp3Fixture.h"

#include "tags/FormatTags.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::FileBytes;

const QString kFixtures = QStringLiteral(ORVELLA_TAG_FIXTURES) + "/";

// Everything a reader gives, in one line: the fields, the seconds and the pictures' types.
QString readLine(const std::optional<FormatSong>& read) {
    if (!read) return "(not read)";
    const SongFields& s = read->song;
    QStringList line{s.Title, s.Artist, s.Album, s.Band, s.SongYear, s.CDYear, s.Track, s.Lyrics, s.Genre};
    line << s.CommentTitle + "/" + s.CommentText << s.SongDecade << s.Compilation << s.Rating
         << QString::number(read->seconds);
    for (const EmbeddedPicture& picture : read->pictures)
        line << picture.mimeType + (QImage::fromData(picture.data).isNull() ? " unreadable" : "");
    return line.join("|");
}

TEST(FormatTags, EveryFieldOfEachFormat) {
    const QString xiph = QString::fromUtf8("Tschüß Song|Xiph Singer|Xiph Album|Xiph Band|1975|1999|3|La la|Pop|");
    const std::pair<QString, QString> cases[] = {
        {"song.flac", xiph + "/It's fine|1970's|Y||1|image/jpeg"},
        {"song.ogg", xiph + "/It's fine|1970's|Y||1|image/png"},
        {"song.opus", xiph + "/It's fine|1970's|Y||1"},
        {"song.m4a", "MP4 Song|MP4 Singer|MP4 Album|MP4 Band|2004|2004|7|Words|Trip-Hop|/Atoms|2000's|Y||1|image/png"},
        {"song.wma", "WMA Song|WMA Singer|WMA Album|WMA Band|1988|2010|5|Hum|Jazz|/Windows|1980's|||1"},
        {"song.wav", "WAV Song|WAV Singer|WAV Album|WAV Singer|2001|2001|2|Oh|Rock|/Riff|2000's|Y||1"},
        {"bare.flac", "|||||||||/||||1"},
    };
    for (const auto& [file, expected] : cases) {
        const QByteArray before = FileBytes(kFixtures + file);
        ASSERT_FALSE(before.isEmpty()) << file.toStdString();
        EXPECT_EQ(readLine(readFormatFile(kFixtures + file, *songFormatOf(file))), expected) << file.toStdString();
        EXPECT_EQ(FileBytes(kFixtures + file), before) << "nothing is written: " << file.toStdString();
    }
}

TEST(FormatTags, AFileIsTakenByItsContentNeverByItsNameAlone) {
    QTemporaryDir dir;
    const auto as = [&](const QString& fixture, const QString& name) {
        QFile::copy(kFixtures + fixture, dir.filePath(name));
        return readFormatFile(dir.filePath(name), *songFormatOf(name));
    };
    EXPECT_FALSE(as("song.opus", "opus.flac"));
    EXPECT_FALSE(as("song.flac", "flac.m4a"));
    EXPECT_FALSE(as("song.wav", "wav.wma"));
    EXPECT_EQ(as("song.opus", "opus.OGG")->song.Artist, "Xiph Singer") << "an Ogg file may hold Opus";
}

}  // namespace
}  // namespace orv

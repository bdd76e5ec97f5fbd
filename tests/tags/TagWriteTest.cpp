#include "Mp3Fixture.h"

#include "core/AtomicFile.h"
#include "core/ProgramState.h"
#include "core/RuntimeError.h"
#include "support/Files.h"
#include "tags/SongFields.h"
#include "tags/TagComponent.h"
#include "tags/TagWriter.h"
#include "tags/TagsFromFileName.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace orv;
using namespace orv::test;

void chmodOrFail(const QString& path, mode_t mode) {
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

// The frames of a file with the body of one frame replaced.
std::vector<std::pair<QByteArray, QByteArray>> withFrame(std::vector<std::pair<QByteArray, QByteArray>> frames,
                                                         const QByteArray& id, const QByteArray& body) {
    for (auto& frame : frames)
        if (frame.first == id) frame.second = body;
    return frames;
}

// A music folder, and a temporary folder of its own for the safety copies of in-place writes.
class TagWriteTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(music())); }
    void TearDown() override { ::chmod(QFile::encodeName(music()).constData(), 0755); }

    QString music() const { return dir.path() + "/music"; }
    QString temp() const { return dir.path() + "/temp"; }
    QString path(const QString& name = QStringLiteral("song.mp3")) const { return music() + "/" + name; }
    QStringList entries(const QString& folder) const {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
    QString song(const QString& name = QStringLiteral("song.mp3")) const {
        WriteMp3(path(name), ID3v2Bytes().text("TIT2", "Old").bytes(), SilentFrames(100),
                 ID3v1Bytes{"Old", "", "", "", "", 0, 255}.bytes());
        return path(name);
    }
    // Gives the file a new title in both tags, in one write.
    static void retitle(const QString& file, const QString& title) {
        TagComponent tags;
        ASSERT_TRUE(tags.openFile(file));
        tags.setFrameText("TIT2", title);
        tags.setID3v1Title(title);
        tags.writeTags();
    }
    static QString titleOf(const QString& file) {
        TagComponent tags;
        EXPECT_TRUE(tags.openFile(file));
        return tags.frameText("TIT2") + "|" + tags.id3v1Title();
    }

    QTemporaryDir dir;
    TemporaryFolder temporary{temp()};
};

TEST_F(TagWriteTest, FilesTheUserMayNotWriteAreLeftAlone) {
    const QString file = song();
    chmodOrFail(file, 0444);
    const QByteArray before = FileBytes(file);
    TagComponent tags;
    ASSERT_TRUE(tags.openFile(file));
    tags.setFrameText("TIT2", "New");
    EXPECT_THROW(tags.writeID3v2(), RuntimeError);
    EXPECT_EQ(FileBytes(file), before);

    // The fill from the file name hears of it, after it has set the fields.
    ProgramState state;
    state.UpdateBlankTags = true;
    state.BlankTagFormat = "%A - %T";
    const QString named = song("Artist - Title.mp3");
    chmodOrFail(named, 0444);
    const QByteArray namedBytes = FileBytes(named);
    TagComponent namedTags;
    ASSERT_TRUE(namedTags.openFile(named));
    SongFields filled;
    FillBlankTagsFromFileName(state, namedTags, filled);
    EXPECT_EQ(filled.Artist + "|" + filled.Title, "Artist|Title");
    EXPECT_THROW(namedTags.writeTags(), RuntimeError);
    EXPECT_EQ(FileBytes(named), namedBytes);
}

// Links, owners, modes and read-only folders are the file writer's own rules (AtomicFileTest).
TEST_F(TagWriteTest, APreparedWriteIsCommittedOnlyForTheEditsItWasMadeFor) {
    const QString file = song();
    const QByteArray before = FileBytes(file);
    {
        // Made ready, never written: the file and its folder are as they were.
        TagComponent tags;
        ASSERT_TRUE(tags.openFile(file));
        tags.setFrameText("TIT2", "Ready");
        tags.prepareID3v2Write();
        EXPECT_EQ(entries(music()).size(), 2);  // the new file waits beside the old one
        EXPECT_EQ(FileBytes(file), before);
    }
    EXPECT_EQ(entries(music()), QStringList{"song.mp3"});
    EXPECT_EQ(FileBytes(file), before);

    // Edits that changed after the write was made ready are written as they are now, through a
    // group that puts them in place at its flush.
    TagComponent tags;
    ReplacementGroup group;
    ASSERT_TRUE(tags.openFile(file));
    tags.setFrameText("TIT2", "Ready");
    tags.prepareID3v2Write();
    tags.setFrameText("TIT2", "Changed");
    tags.deferWritesTo(&group);
    tags.writeID3v2();
    EXPECT_EQ(group.waiting(), 1u);
    EXPECT_EQ(FileBytes(file), before);
    EXPECT_TRUE(group.flush().empty());
    EXPECT_EQ(titleOf(file), "Changed|Old");
    ASSERT_TRUE(tags.lastWriteTime().has_value());
    EXPECT_EQ(statOf(file).st_mtim.tv_nsec, tags.lastWriteTime()->tv_nsec);
    EXPECT_EQ(entries(music()), QStringList{"song.mp3"});

    // The same edits: the write made ready is the one that is committed.
    TagComponent again;
    ASSERT_TRUE(again.openFile(file));
    again.setFrameText("TALB", "Album");
    again.prepareID3v2Write();
    QStringList waiting = entries(music());
    waiting.removeAll("song.mp3");
    ASSERT_EQ(waiting.size(), 1);
    const ino_t prepared = statOf(music() + "/" + waiting[0]).st_ino;
    again.writeID3v2();
    EXPECT_EQ(statOf(file).st_ino, prepared);
    EXPECT_EQ(again.frameText("TALB"), "Album");

    // A file that would be written in place is not made ready: it is written when asked.
    ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(path("hard.mp3")).constData()), 0);
    TagComponent linked;
    ASSERT_TRUE(linked.openFile(file));
    linked.setFrameText("TIT2", "Linked");
    const QByteArray linkedBefore = FileBytes(file);
    linked.prepareID3v2Write();
    EXPECT_EQ(FileBytes(file), linkedBefore);
    EXPECT_EQ(entries(music()), QStringList({"hard.mp3", "song.mp3"}));
    linked.writeID3v2();
    EXPECT_EQ(titleOf(path("hard.mp3")), "Linked|Old");
}

TEST_F(TagWriteTest, FramesThatWereNotSetComeBackByteForByte) {
    for (const char* genre : {"(13)Ballad", "(1.5)"}) {
        WriteMp3(path(),
                 ID3v2Bytes()
                     .text("TCON", genre)
                     .text("TIT2", "Old")
                     .text("TYER", "2001")
                     .text("TDAT", "1205")
                     .userText("Rating", "4")
                     .comment("Liner", "Notes")
                     .frame("PRIV", QByteArray("owner\0\1\2\3", 9))
                     .picture("not really a picture", "image/png")
                     .text("TPE1", QString::fromUtf8("Björk"), true)
                     .bytes(),
                 SilentFrames(20), ID3v1Bytes{"Old", "V1 Artist", "", "", "", 2, 17}.bytes());
        const QByteArray before = FileBytes(path());
        TagComponent tags;
        ASSERT_TRUE(tags.openFile(path()));
        tags.setFrameText("TIT2", "New");
        tags.writeID3v2();
        const QByteArray after = FileBytes(path());
        EXPECT_EQ(ID3v2Frames(after), withFrame(ID3v2Frames(before), "TIT2", QByteArray("\0New", 4))) << genre;
        EXPECT_TRUE(after.endsWith(SilentFrames(20) + ID3v1Bytes{"Old", "V1 Artist", "", "", "", 2, 17}.bytes()));
        EXPECT_EQ(tags.frameText("TCON"), genre);
    }
}

TEST_F(TagWriteTest, AnID3v24TagKeepsItsVersionAndFrames) {
    WriteMp3(path(),
             ID3v2Bytes(4)
                 .frame("RVA2", QByteArray("track\0\1\xff\xf0\0", 10))
                 .frame("TMOO", QByteArray("\3Calm"))
                 .frame("TDRL", QByteArray("\0"
                                           "2001-05-12",
                                           11))
                 .frame("TPRO", QByteArray("\0"
                                           "2001 Label",
                                           11))
                 .frame("TSST", QByteArray("\0Disc one", 9))
                 .frame("TDRC", QByteArray("\0"
                                           "2001-05-12T20:15",
                                           17))
                 .frame("TIT2", QByteArray("\0Old", 4))
                 .bytes(),
             SilentFrames(20));
    const QByteArray before = FileBytes(path());
    TagComponent tags;
    ASSERT_TRUE(tags.openFile(path()));
    EXPECT_EQ(tags.frameText("TYER"), "2001");  // the year of the timestamp
    tags.setFrameText("TIT2", QString::fromUtf8("Neu €"));
    tags.setFrameText("TYER", "2002");
    tags.writeID3v2();

    const QByteArray after = FileBytes(path());
    EXPECT_TRUE(after.startsWith(QByteArray("ID3\4\0", 5)));
    const QByteArray title = QByteArray("\1\xff\xfeN\0e\0u\0 \0\xac\x20", 13);
    EXPECT_EQ(ID3v2Frames(after), withFrame(withFrame(ID3v2Frames(before), "TDRC",
                                                      QByteArray("\0"
                                                                 "2002",
                                                                 5)),
                                            "TIT2", title));
    EXPECT_EQ(tags.frameText("TIT2"), QString::fromUtf8("Neu €"));
    EXPECT_EQ(tags.frameText("TYER"), "2002");
}

// An ID3v2.2 tag stays ID3v2.2 (its three-letter frames kept); a tag unsynchronised as a whole is
// written back plain, its frames' content the same.
TEST_F(TagWriteTest, OlderTagFormsKeepTheirFrames) {
    const QByteArray v22Frames = QByteArray("TT2\0\0\4\0Old", 10) + QByteArray("TCO\0\0\5\0(13)", 11);
    WriteMp3(path(), QByteArray("ID3\2\0\0\0\0\0\x15", 10) + v22Frames, SilentFrames(20));
    const QByteArray before = FileBytes(path());
    TagComponent tags;
    ASSERT_TRUE(tags.openFile(path()));
    tags.setFrameText("TIT2", "New");
    tags.writeID3v2();
    EXPECT_EQ(FileBytes(path()), QByteArray(before).replace("Old", "New"));
    EXPECT_EQ(tags.frameText("TIT2"), "New");

    const QByteArray unsynchronised =
        QByteArray("TIT2\0\0\0\4\0\0\0Old", 14) + QByteArray("PRIV\0\0\0\4\0\0x\0\xff\0\xe0", 15);  // 0xFF 0xE0
    WriteMp3(path(), QByteArray("ID3\3\0\x80\0\0\0\x1d", 10) + unsynchronised, SilentFrames(20));
    ASSERT_TRUE(tags.openFile(path()));
    tags.setFrameText("TIT2", "New");
    tags.writeID3v2();
    const QByteArray after = FileBytes(path());
    EXPECT_EQ(after[5], '\0');
    const std::vector<std::pair<QByteArray, QByteArray>> frames{{"TIT2", QByteArray("\0New", 4)},
                                                                {"PRIV", QByteArray("x\0\xff\xe0", 4)}};
    EXPECT_EQ(ID3v2Frames(after), frames);
    EXPECT_TRUE(after.endsWith(SilentFrames(20)));
}

TEST_F(TagWriteTest, TagsThatDoNotParseCleanlyAreNotRewritten) {
    QByteArray footerMissing = ID3v2Bytes(4).text("TIT2", "Old").text("TPE1", "Artist").bytes();
    footerMissing[5] = 0x10;
    QByteArray framePastTheEnd = ID3v2Bytes().text("TIT2", "Old").text("TPE1", "Artist").bytes();
    framePastTheEnd[30] = 0x03;  // TPE1 claims 1000 bytes
    QByteArray badIdentifier = ID3v2Bytes().text("TIT2", "Old").text("TPE1", "Artist").bytes();
    badIdentifier.replace(24, 4, "tp e");
    QByteArray pastTheFile = ID3v2Bytes().text("TIT2", "Old").bytes() + QByteArray(1024, '\0');
    pastTheFile[6] = 0x01;  // 2 MiB of tag in a file of 10 KiB
    const std::pair<const char*, QByteArray> cases[] = {{"footer", footerMissing},
                                                        {"frames", framePastTheEnd},
                                                        {"frames", badIdentifier},
                                                        {"past the end", pastTheFile}};
    for (const auto& [problem, id3v2] : cases) {
        WriteMp3(path(), id3v2, SilentFrames(20), ID3v1Bytes{"Old", "", "", "", "", 0, 255}.bytes());
        const QByteArray before = FileBytes(path());
        TagComponent tags;
        ASSERT_TRUE(tags.openFile(path())) << problem;
        tags.setFrameText("TIT2", "New");
        tags.setID3v1Title("New");
        try {
            tags.writeTags();
            ADD_FAILURE() << "written: " << problem;
        } catch (const RuntimeError& error) {
            EXPECT_TRUE(error.description().contains(problem)) << error.description().toStdString();
        }
        EXPECT_EQ(FileBytes(path()), before) << problem;
    }
}

TEST_F(TagWriteTest, TheAudioBytesAreComparedBeforeAWriteIsCommitted) {
    const QByteArray audio = SilentFrames(20) + QByteArray("APETAGEX") + QByteArray(24, '\1');
    WriteMp3(path("a.mp3"), ID3v2Bytes().text("TIT2", "A").bytes(), audio, ID3v1Bytes{"A"}.bytes());
    WriteMp3(path("b.mp3"), ID3v2Bytes(4).text("TIT2", "Other").text("TPE1", "B").bytes(), audio);
    QByteArray changed = audio;
    changed[500] = 1;
    WriteMp3(path("c.mp3"), ID3v2Bytes().text("TIT2", "A").bytes(), changed, ID3v1Bytes{"A"}.bytes());
    WriteMp3(path("d.mp3"), {}, SilentFrames(20), ID3v1Bytes{"A"}.bytes());  // no APE tag
    QByteArray footerMissing = ID3v2Bytes(4).text("TIT2", "A").bytes();
    footerMissing[5] = 0x10;
    WriteMp3(path("e.mp3"), footerMissing, audio);

    const auto same = [this](const char* a, const char* b) {
        const int fd = ::open(QFile::encodeName(path(a)).constData(), O_RDONLY);
        const int other = ::open(QFile::encodeName(path(b)).constData(), O_RDONLY);
        const bool result = sameAudio(fd, statOf(path(a)).st_size, other, statOf(path(b)).st_size);
        ::close(fd);
        ::close(other);
        return result;
    };
    EXPECT_TRUE(same("a.mp3", "b.mp3"));
    EXPECT_FALSE(same("a.mp3", "c.mp3"));
    EXPECT_FALSE(same("a.mp3", "d.mp3"));
    EXPECT_FALSE(same("b.mp3", "e.mp3"));
}

TEST_F(TagWriteTest, AFailedWriteOfBothTagsLeavesNeither) {
    const QString file = song();
    const QByteArray before = FileBytes(file);
    {
        FileSizeLimit limit(4096);
        EXPECT_THROW(retitle(file, "New"), RuntimeError);
        ProgramState state;
        state.UpdateBlankTags = true;
        state.BlankTagFormat = "%T";
        TagComponent tags;
        ASSERT_TRUE(tags.openFile(file));
        SongFields filled;
        FillBlankTagsFromFileName(state, tags, filled);
        EXPECT_THROW(tags.writeTags(), RuntimeError);
    }
    EXPECT_EQ(FileBytes(file), before);
    EXPECT_EQ(entries(music()), QStringList{"song.mp3"});

    // In place (read-only folder): the safety copy fits on the disk, the grown tag does not.
    chmodOrFail(music(), 0555);
    {
        FileSizeLimit limit(static_cast<rlim_t>(before.size() + 100));
        EXPECT_THROW(retitle(file, "A title long enough to need more room"), RuntimeError);
    }
    EXPECT_EQ(FileBytes(file), before);
    EXPECT_TRUE(entries(temp()).isEmpty());
}

TEST_F(TagWriteTest, ID3v1TextIsTransliterated) {
    const QString file = song();
    TagComponent tags;
    ASSERT_TRUE(tags.openFile(file));
    tags.setID3v1Title(QString::fromUtf8("Łódź € ß é 日本 😀"));
    tags.setID3v1Artist(QString::fromUtf8("Cafe\xcc\x81 ﬁne Œuvre"));
    tags.writeID3v1();
    const QByteArray id3v1 = FileBytes(file).right(128);
    EXPECT_EQ(id3v1.mid(3, 30), QByteArray("L\xf3"
                                           "dz EUR \xdf \xe9 ?? ?") +
                                    QByteArray(13, '\0'));
    EXPECT_EQ(id3v1.mid(33, 30), QByteArray("Caf\xe9 fine OEuvre") + QByteArray(14, '\0'));
}

// A file of more than 4 GiB, most of it a hole: the write streams it and keeps every byte.
TEST_F(TagWriteTest, FilesOfFourGibibytesAndMore) {
    const qint64 hole = (qint64(4) << 30) + 12345;
    const QByteArray head = ID3v2Bytes().text("TIT2", "Old").bytes() + SilentFrames(10);
    const QByteArray tail = SilentFrames(10) + ID3v1Bytes{"Old"}.bytes();
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(head);
        ASSERT_TRUE(file.resize(head.size() + hole));
        ASSERT_TRUE(file.seek(head.size() + hole));
        file.write(tail);
    }
    TagComponent tags;
    ASSERT_TRUE(tags.openFile(path()));
    tags.setFrameText("TIT2", "New");
    tags.writeID3v2();

    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray newTag = ID3v2Bytes().text("TIT2", "New").bytes();
    const QByteArray start = file.read(20000);
    ASSERT_TRUE(start.startsWith(newTag.left(3)));
    const qint64 audioStart = start.indexOf(SilentFrames(10));
    ASSERT_GT(audioStart, 0);
    EXPECT_EQ(ID3v2Frames(start), ID3v2Frames(newTag));
    EXPECT_EQ(file.size(), audioStart + SilentFrames(10).size() + hole + tail.size());
    // Between them, what the file holds data for reads as zeros (its holes read so anyway).
    const int fd = file.handle();
    const qint64 zerosEnd = audioStart + SilentFrames(10).size() + hole;
    QByteArray piece(1 << 20, '\0');
    qint64 at = ::lseek(fd, zerosEnd - hole, SEEK_DATA);
    while (at >= 0 && at < zerosEnd) {
        const qint64 size = std::min<qint64>({::lseek(fd, at, SEEK_HOLE), zerosEnd, at + piece.size()}) - at;
        ASSERT_EQ(::pread(fd, piece.data(), size, at), size);
        ASSERT_EQ(piece.left(size), QByteArray(size, '\0')) << at;
        at = ::lseek(fd, at + size, SEEK_DATA);
    }
    EXPECT_GE(at, zerosEnd);
    ASSERT_TRUE(file.seek(zerosEnd));
    EXPECT_EQ(file.read(tail.size() + 1), tail);
}

}  // namespace

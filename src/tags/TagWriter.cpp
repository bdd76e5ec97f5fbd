#include "tags/TagWriter.h"

#include "core/AtomicFile.h"
#include "core/RuntimeError.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

constexpr qint64 kID3v1Length = 128;

RuntimeError writeError(const QString& description) {
    return RuntimeError(ErrorNumber::PathFileAccess, QStringLiteral("Path/File access error: ") + description);
}

// A file open for reading, closed when the object goes.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const QString& path)
        : fd_(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC)) {
        struct stat info {};
        if (fd_ >= 0 && ::fstat(fd_, &info) == 0) size_ = info.st_size;
    }
    ~ReadOnlyFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool isOpen() const { return fd_ >= 0 && size_ >= 0; }
    int fd() const { return fd_; }
    qint64 size() const { return size_; }

private:
    int fd_;
    qint64 size_ = -1;
};

// Where the parts of an MP3 file lie: the ID3v2 tag at the start, the ID3v1 tag at the end, and
// between them the audio (with whatever other tags it carries).
struct Mp3Layout {
    StoredID3v2 tag;
    qint64 audioStart = 0;
    qint64 audioEnd = 0;
    bool hasID3v1 = false;
};

Mp3Layout layoutOf(int fd, qint64 size) {
    Mp3Layout layout;
    layout.tag = readStoredID3v2(fd, size);
    layout.audioStart = layout.tag.present ? layout.tag.size : 0;
    char mark[3] = {};
    layout.hasID3v1 = size - kID3v1Length >= layout.audioStart && readFully(fd, size - kID3v1Length, mark, 3) &&
                      std::memcmp(mark, "TAG", 3) == 0;
    layout.audioEnd = layout.hasID3v1 ? size - kID3v1Length : size;
    return layout;
}

QByteArray transliteration(char32_t c) {
    // Letters and signs that have no decomposition to fall back on.
    static const std::map<char32_t, const char*> table{
        {U'Ł', "L"},  {U'ł', "l"},  {U'Đ', "D"},  {U'đ', "d"},  {U'Ħ', "H"},  {U'ħ', "h"},   {U'ı', "i"},
        {U'Œ', "OE"}, {U'œ', "oe"}, {U'Ŧ', "T"},  {U'ŧ', "t"},  {U'ẞ', "SS"}, {U'€', "EUR"}, {U'‘', "'"},
        {U'’', "'"},  {U'‚', ","},  {U'“', "\""}, {U'”', "\""}, {U'„', "\""}, {U'–', "-"},   {U'—', "-"},
        {U'•', "*"},  {U'′', "'"},  {U'″', "\""}, {U'‹', "<"},  {U'›', ">"}};
    const auto found = table.find(c);
    if (found != table.end()) return found->second;
    QByteArray latin1;
    for (const char32_t part : QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_KD).toUcs4()) {
        const QChar::Category category = QChar::category(part);
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
            category == QChar::Mark_Enclosing)
            continue;
        if (part > 0xff) return "?";
        latin1 += static_cast<char>(part);
    }
    return latin1;
}

void setID3v1Field(QByteArray& tag, qsizetype at, qsizetype length, const QString& text) {
    QByteArray field = id3v1Text(text).left(length);
    field.append(QByteArray(length - field.size(), '\0'));
    tag.replace(at, length, field);
}

// The ID3v1 tag with the edits made; a new one (no genre) when the file had none.
QByteArray editedID3v1(QByteArray tag, const ID3v1Edits& edits) {
    if (tag.size() != kID3v1Length) {
        tag = QByteArray("TAG") + QByteArray(kID3v1Length - 3, '\0');
        tag[127] = static_cast<char>(255);
    }
    if (edits.title) setID3v1Field(tag, 3, 30, *edits.title);
    if (edits.artist) setID3v1Field(tag, 33, 30, *edits.artist);
    if (edits.album) setID3v1Field(tag, 63, 30, *edits.album);
    if (edits.track) {
        tag[125] = '\0';  // ID3v1.1: the comment's last two bytes hold the track
        tag[126] = static_cast<char>(*edits.track);
    }
    return tag;
}

QByteArray readBytes(const ReadOnlyFile& file, qint64 offset, qint64 length, const QString& fileName) {
    QByteArray bytes(static_cast<qsizetype>(length), '\0');
    if (!readFully(file.fd(), offset, bytes.data(), length))
        throw writeError(fileName + QStringLiteral(": it cannot be read"));
    return bytes;
}

}  // namespace

QByteArray id3v1Text(const QString& text) {
    QByteArray latin1;
    for (const char32_t c : text.normalized(QString::NormalizationForm_C).toUcs4())
        latin1 += c <= 0xff ? QByteArray(1, static_cast<char>(c)) : transliteration(c);
    return latin1;
}

bool sameAudio(int fd, qint64 size, int otherFd, qint64 otherSize) {
    const Mp3Layout layout = layoutOf(fd, size);
    const Mp3Layout other = layoutOf(otherFd, otherSize);
    const qint64 length = layout.audioEnd - layout.audioStart;
    return layout.tag.problem.isEmpty() && other.tag.problem.isEmpty() && length == other.audioEnd - other.audioStart &&
           sameBytes(fd, layout.audioStart, otherFd, other.audioStart, length);
}

PreparedTagWrite::PreparedTagWrite(std::unique_ptr<AtomicFile> file) : file_(std::move(file)) {}
PreparedTagWrite::PreparedTagWrite(PreparedTagWrite&&) noexcept = default;
PreparedTagWrite& PreparedTagWrite::operator=(PreparedTagWrite&&) noexcept = default;
PreparedTagWrite::~PreparedTagWrite() = default;

struct timespec PreparedTagWrite::commit(ReplacementGroup* group) {
    if (!file_->commit(group)) throw writeError(file_->errorString());
    return file_->lastWriteTime();
}

PreparedTagWrite prepareTagEdits(const QString& fileName, const FrameEdits& frames, const ID3v1Edits* id3v1,
                                 bool readerSawID3v2, bool inPlaceAllowed) {
    auto prepared = std::make_unique<AtomicFile>(fileName);
    AtomicFile& file = *prepared;
    if (!file.open()) throw writeError(file.errorString());
    if (file.writesInPlace() && !inPlaceAllowed)
        throw writeError(fileName + QStringLiteral(": it is written in place"));
    const ReadOnlyFile source(file.originalPath());
    if (!source.isOpen()) throw writeError(fileName + QStringLiteral(": it cannot be read"));
    const Mp3Layout old = layoutOf(source.fd(), source.size());
    if (!old.tag.problem.isEmpty()) throw writeError(fileName + QStringLiteral(": ") + old.tag.problem);
    if (!frames.empty() && readerSawID3v2 && !old.tag.present)
        throw writeError(fileName + QStringLiteral(": its ID3v2 tag is not at the start of the file"));

    QString problem;
    const QByteArray head = frames.empty() ? QByteArray() : renderID3v2(old.tag, frames, problem);
    if (!problem.isEmpty()) throw writeError(fileName + QStringLiteral(": ") + problem);
    const QByteArray tail =
        id3v1
            ? editedID3v1(old.hasID3v1 ? readBytes(source, old.audioEnd, kID3v1Length, fileName) : QByteArray(), *id3v1)
            : QByteArray();

    const bool written =
        (frames.empty() ? file.appendFrom(source.fd(), 0, old.audioStart) : file.write(head)) &&
        file.appendFrom(source.fd(), old.audioStart, old.audioEnd - old.audioStart) &&
        (id3v1 ? file.write(tail) : file.appendFrom(source.fd(), old.audioEnd, source.size() - old.audioEnd));
    if (!written) throw writeError(file.errorString());
    if (!sameAudio(source.fd(), source.size(), file.handle(), file.size())) {
        file.cancel();
        throw writeError(fileName + QStringLiteral(": the audio data would have changed"));
    }
    return PreparedTagWrite(std::move(prepared));
}

}  // namespace orv

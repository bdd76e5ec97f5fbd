#include "coverart/CoverLookup.h"

#include "core/AtomicFile.h"
#include "core/Controls.h"
#include "core/FrontEnd.h"
#include "core/ImageLibrary.h"
#include "core/ProgramState.h"
#include "core/Text.h"
#include "coverart/CoverArtRun.h"
#include "coverart/CoverCatalogue.h"
#include "coverart/SearchKeys.h"
#include "store/ProgramFiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace orv {
namespace {

// A picture larger than this is not a cover.
constexpr qint64 kMaxImageBytes = 32 * 1024 * 1024;

struct Query {
    QString artist;
    QString keywords;
};

// The series of queries for one album, in the order they are tried: 30 rows, the word rows once
// for each entry of the word list (the last entry removes nothing), 65 queries in all.
std::vector<Query> coverArtQueries(const QString& artist, const QString& album, const QString& band) {
    std::vector<Query> queries{
        {band, album},
        {DropSoundtrack(album), DropSoundtrack(band)},
        {SoundtrackToVariousArtists(album), SoundtrackToVariousArtists(band)},
        {DropSoundtrack(album), {}},
        {SoundtrackToVariousArtists(album), {}},
        {{}, DropSoundtrack(album)},
        {{}, SoundtrackToVariousArtists(album)},
        {artist, StripPunctuation(album)},
        {artist, PunctuationToSpaces(album)},
        {artist, DigitsToWords(album)},
        {artist, WordsToDigits(album)},
        {artist, RomanToDigits(album)},
        {artist, DigitsToRoman(album)},
        {artist, AmpersandToPlus(album)},
        {artist, ExpandVolumeAndAmpersand(album)},
        {artist, AndToAmpersand(album)},
        {artist, DigitsToWords(ExpandVolumeAndAmpersand(album))},
        {artist, WordsToDigits(ExpandVolumeAndAmpersand(album))},
        {artist, DigitsToWords(AndToAmpersand(album))},
        {artist, WordsToDigits(AndToAmpersand(album))},
    };
    const std::array<QString, 6> words{QStringLiteral("single"), QStringLiteral("volume"), QStringLiteral("orchestra"),
                                       QStringLiteral("band"),   QStringLiteral("group"),  QString()};
    const auto eachWord = [&](auto&& query) {
        for (const QString& word : words) queries.push_back(query(word));
    };
    eachWord([&](const QString& w) { return Query{RemoveWord(artist, w), album}; });
    eachWord([&](const QString& w) { return Query{artist, RemoveWord(album, w)}; });
    eachWord([&](const QString& w) { return Query{RemoveWord(artist, w), RemoveWord(album, w)}; });
    eachWord([&](const QString& w) { return Query{StripPunctuation(RemoveWord(artist, w)), album}; });
    eachWord([&](const QString& w) { return Query{artist, StripPunctuation(RemoveWord(album, w))}; });
    eachWord([&](const QString& w) {
        return Query{StripPunctuation(RemoveWord(artist, w)), StripPunctuation(RemoveWord(album, w))};
    });
    eachWord([&](const QString& w) {
        return Query{StripPunctuation(RemoveWord(album, w)), StripPunctuation(RemoveWord(album, w))};
    });
    queries.push_back({QStringLiteral("Various Artists"), album});
    queries.push_back({album, album});
    queries.push_back({artist, artist});
    return queries;
}

bool isWebAddress(const QUrl& url) {
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

// The three candidate work files of one query, large, medium and small, with the picture view
// that shows each.
struct Candidates {
    Candidates(const QString& folder, const QString& safeKeywords) : folder(folder) {
        for (const char* size : {" - Large.jpg", " - Medium.jpg", " - Small.jpg"})
            names.push_back(safeKeywords + QLatin1String(size));
    }
    QString path(int i) const { return folder + names[i]; }
    qint64 size(int i) const { return TotalFileSize(folder, names[i]); }
    bool anyUsable() const {
        return size(0) > kUsableImageBytes || size(1) > kUsableImageBytes || size(2) > kUsableImageBytes;
    }
    void removeAll() const {
        for (int i = 0; i < 3; ++i) QFile::remove(path(i));
    }

    QString folder;
    QStringList names;
    const std::array<Control, 3> views{Control::wbAlbumCoverLarge, Control::wbAlbumCoverMedium,
                                       Control::wbAlbumCoverSmall};
};

void retrieve(CoverArtRun& run, const CoverImages& product, const Candidates& candidates) {
    ProgramState& state = run.state();
    showDownloadStatus(state, kRetrievingText);
    candidates.removeAll();
    const std::array<QUrl, 3> urls{product.large, product.medium, product.small};
    for (int i = 0; i < 3; ++i) {
        // An address that came earlier in the product is not fetched again: the earlier size is
        // preferred anyway.
        const int first = static_cast<int>(std::find(urls.begin(), urls.end(), urls[i]) - urls.begin());
        if (first == i && DownloadFile(run, urls[i], candidates.path(i)) && candidates.size(i) <= kUsableImageBytes)
            run.noteUnusable(urls[i]);
        state.ui().showPicture(candidates.views[i], Picture::readNow(candidates.path(first)));
    }
}

// The first usable candidate, large first, moved to the result file; the other candidates removed.
QString chooseCandidate(ProgramState& state, const Candidates& candidates, const QString& resultPath) {
    for (int i = 0; i < 3; ++i) {
        if (candidates.size(i) <= kUsableImageBytes) {
            QFile::remove(candidates.path(i));
            continue;
        }
        showDownloadStatus(state, kCoverFoundText);
        for (int other = i + 1; other < 3; ++other) QFile::remove(candidates.path(other));
        // The result file is a work file of this program: a fresh picture replaces an old one.
        const QByteArray from = QFile::encodeName(candidates.path(i));
        if (std::rename(from.constData(), QFile::encodeName(resultPath).constData()) == 0) return resultPath;
        QFile::remove(candidates.path(i));
        return {};
    }
    return {};
}

QString workFileName(const QString& text) {
    QString name = text;
    return MakeSafeFileName(name);
}

}  // namespace

void showDownloadStatus(ProgramState& state, const QString& text) {
    state.ui().setCaption(Control::lblDownloadStatus, text);
}

QString FindCoverArt(CoverArtRun& run, const QString& artist, const QString& album, const QString& band) {
    if (!run.catalogue() || run.searchedInVain(artist, album, band)) return {};
    run.beginSeries();
    QSet<QString> made;
    for (const Query& query : coverArtQueries(artist, album, band)) {
        if (run.seriesCut()) return {};
        const QString key = trimBlanks(query.artist) + QChar(0) + trimBlanks(query.keywords);
        if (made.contains(key)) continue;
        made.insert(key);
        const QString found = LookUpCoverArt(run, query.artist, query.keywords, album);
        if (!found.isEmpty()) return found;
    }
    if (!run.seriesCut()) run.rememberNotFound(artist, album, band);
    return {};
}

QString LookUpCoverArt(CoverArtRun& run, const QString& artistText, QString keywordText, const QString& albumName) {
    ProgramState& state = run.state();
    showDownloadStatus(state, {});
    const QString folder = AddBackslash(state.paths.programFolder);
    const QString earlier = folder + workFileName(artistText + QLatin1String(" - ") + keywordText) + ".jpg";
    if (FileExists(earlier)) return earlier;
    if (!run.catalogue()) return {};

    showDownloadStatus(state, kLookingText);
    const std::vector<CoverImages> products =
        run.catalogue()->search(run, trimBlanks(artistText), trimBlanks(keywordText));
    const Candidates candidates(folder, MakeSafeFileName(keywordText));
    candidates.removeAll();
    for (const CoverImages& product : products) {
        if (candidates.anyUsable() || run.seriesCut()) break;
        retrieve(run, product, candidates);
    }
    showDownloadStatus(state, {});
    return chooseCandidate(state, candidates,
                           folder + workFileName(artistText + QLatin1String(" - ") + albumName) + ".jpg");
}

bool DownloadFile(CoverArtRun& run, const QUrl& url, const QString& filePath) {
    if (!isWebAddress(url)) return false;
    QByteArray picture;
    const HttpAnswer answer = run.download(url, [&](const QByteArray& piece) {
        picture += piece;
        return picture.size() <= kMaxImageBytes;
    });
    if (!answer.succeeded()) return false;
    // A page that came in a picture's place (an error page sent as a success, say) is no cover.
    if (!imageLibrary().isPicture(picture)) {
        run.noteUnusable(url);
        return false;
    }
    AtomicFile file(filePath);
    return file.open() && file.write(picture) && file.commit();
}

qint64 TotalFileSize(const QString& folder, const QString& namePattern) {
    QString expression = QRegularExpression::escape(namePattern);
    expression.replace(QLatin1String("\\*"), QLatin1String(".*")).replace(QLatin1String("\\?"), QLatin1String("."));
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(expression));
    qint64 total = 0;
    for (const QFileInfo& entry : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden)) {
        if (pattern.match(entry.fileName()).hasMatch()) total += entry.size();
    }
    return total;
}

}  // namespace orv

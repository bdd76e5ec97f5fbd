#pragma once

#include "core/Network.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QUrl>
#include <memory>

namespace orv {

struct ProgramState;
class CoverCatalogue;

// What the cover steps keep for the whole of one build run: the cover files found beside the songs,
// and for the online lookup the catalogue it asks, the run's one network, how the catalogue's host
// has been answering, and the albums searched in vain. One per run.
class CoverArtRun {
public:
    // The catalogue the Settings name (none: no online lookup).
    explicit CoverArtRun(ProgramState& state);
    // The given catalogue; null for none.
    CoverArtRun(ProgramState& state, std::unique_ptr<CoverCatalogue> catalogue);
    ~CoverArtRun();
    CoverArtRun(const CoverArtRun&) = delete;
    CoverArtRun& operator=(const CoverArtRun&) = delete;

    ProgramState& state() const { return state_; }

    // Whether an album's cover file is there (FileExists), looked for once in the run, since every
    // song of the album asks; a cover file the run has just written is looked for again.
    bool coverFileExists(const QString& path);
    void coverFileWritten(const QString& path) { coverFiles_.remove(path); }
    // Null when there is no catalogue to ask.
    CoverCatalogue* catalogue() const { return catalogue_.get(); }

    // A GET repeated while the answer is empty, at most `tries` times, that takes no answer larger
    // than kMaxPageBytes; a download into the sink. Both wait at most the request time-out for
    // each answer, end at the network's deadline and stop when the user cancels.
    // A request that cannot reach its host ends the current series; after
    // kConnectionFailuresAllowed such failures in a row the run makes no more requests.
    HttpAnswer get(const QUrl& url, int tries);
    HttpAnswer download(const QUrl& url, const Network::PieceSink& sink);

    // Whether requests are still made in this run.
    bool online() const { return connectionFailures_ < kConnectionFailuresAllowed; }
    // True once, right after the run stopped making requests.
    bool takeOfflineNotice();

    // A series is the search for one song's album. It is cut when one of its requests failed to
    // reach its host, when the user cancels, or when the run no longer makes requests.
    void beginSeries() { seriesCut_ = false; }
    bool seriesCut() const;

    // The albums (by artist, album and band) whose whole series found nothing, in this run or on
    // the same service within the last days (see CoverMisses.h). An album remembered from an earlier
    // run leaves the day of that search in state.run.CoverSearchedBefore.
    bool searchedInVain(const QString& artist, const QString& album, const QString& band) const;
    void rememberNotFound(const QString& artist, const QString& album, const QString& band);

    // Picture addresses that gave no usable picture (missing, or a placeholder) in this run: they
    // are not downloaded again.
    void noteUnusable(const QUrl& url) { unusable_.insert(url); }

    // The songs whose cover was found online, and those searched in vain, in this run.
    void countCover(bool found) { ++(found ? coversFound_ : coversNotFound_); }
    int coversFound() const { return coversFound_; }
    int coversNotFound() const { return coversNotFound_; }

    static constexpr int kConnectionFailuresAllowed = 3;
    static constexpr int kRequestTimeoutMs = 10000;

private:
    HttpOptions options() const;
    Network& network();
    HttpAnswer counted(HttpAnswer answer);

    ProgramState& state_;
    std::unique_ptr<CoverCatalogue> catalogue_;
    std::unique_ptr<Network> network_;  // made at the first request
    int connectionFailures_ = 0;        // in a row
    bool offlineNoticeShown_ = false;
    bool seriesCut_ = false;
    QHash<QString, bool> coverFiles_;
    QSet<QString> notFound_;
    QSet<QUrl> unusable_;
    int coversFound_ = 0;
    int coversNotFound_ = 0;
};

}  // namespace orv

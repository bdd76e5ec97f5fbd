#include "coverart/CoverArtRun.h"

#include "core/AtomicFile.h"
#include "core/ProgramState.h"
#include "coverart/CoverCatalogue.h"
#include "coverart/CoverMisses.h"
#include "store/ProgramFiles.h"

namespace orv {
namespace {

constexpr qint64 kDownloadPieceBytes = 64 * 1024;

QString seriesKey(const QString& artist, const QString& album, const QString& band) {
    return artist + QChar(0) + album + QChar(0) + band;
}

}  // namespace

CoverArtRun::CoverArtRun(ProgramState& state) : CoverArtRun(state, makeCoverCatalogue(state)) {}

CoverArtRun::CoverArtRun(ProgramState& state, std::unique_ptr<CoverCatalogue> catalogue)
    : state_(state), catalogue_(std::move(catalogue)) {
    // Pictures are downloaded into the program folder: what a killed download left there goes.
    AtomicFile::removeLeftovers(state_.paths.programFolder, QDateTime::currentDateTime(), [](const QString& target) {
        return target.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive);
    });
}

CoverArtRun::~CoverArtRun() = default;

bool CoverArtRun::coverFileExists(const QString& path) {
    const auto found = coverFiles_.constFind(path);
    if (found != coverFiles_.cend()) return *found;
    const bool exists = FileExists(path);
    coverFiles_.insert(path, exists);
    return exists;
}

HttpOptions CoverArtRun::options() const {
    HttpOptions options;
    options.timeoutMs = kRequestTimeoutMs;
    options.cancelled = [this] { return state_.run.CloseRequested.load(); };
    return options;
}

Network& CoverArtRun::network() {
    if (!network_) network_ = std::make_unique<Network>();
    return *network_;
}

HttpAnswer CoverArtRun::counted(HttpAnswer answer) {
    if (answer.outcome == HttpOutcome::Answered) connectionFailures_ = 0;
    if (answer.outcome == HttpOutcome::ConnectionFailed) {
        ++connectionFailures_;
        seriesCut_ = true;
    }
    return answer;
}

bool CoverArtRun::seriesCut() const {
    return seriesCut_ || !online() || state_.run.CloseRequested;
}

HttpAnswer CoverArtRun::get(const QUrl& url, int tries) {
    if (!online()) return {};
    HttpOptions page = options();
    page.maxBodyBytes = kMaxPageBytes;
    return counted(network().getWithTries(url, tries, page));
}

HttpAnswer CoverArtRun::download(const QUrl& url, const Network::PieceSink& sink) {
    if (!online()) return {};
    if (unusable_.contains(url)) {
        HttpAnswer known;
        known.outcome = HttpOutcome::Answered;
        known.status = 404;
        return known;
    }
    const HttpAnswer answer = counted(network().download(url, sink, {}, options(), kDownloadPieceBytes));
    if (answer.outcome == HttpOutcome::Answered && (answer.status == 404 || answer.status == 410)) noteUnusable(url);
    return answer;
}

bool CoverArtRun::takeOfflineNotice() {
    if (online() || offlineNoticeShown_) return false;
    offlineNoticeShown_ = true;
    return true;
}

bool CoverArtRun::searchedInVain(const QString& artist, const QString& album, const QString& band) const {
    if (notFound_.contains(seriesKey(artist, album, band))) return true;
    if (!catalogue_) return false;
    const std::optional<QDateTime> missed =
        rememberedMiss(state_, catalogue_->name(), artist, album, band, QDateTime::currentDateTime());
    if (missed) state_.run.CoverSearchedBefore = missed->date();
    return missed.has_value();
}

void CoverArtRun::rememberNotFound(const QString& artist, const QString& album, const QString& band) {
    notFound_.insert(seriesKey(artist, album, band));
    if (catalogue_) rememberMiss(state_, catalogue_->name(), artist, album, band, QDateTime::currentDateTime());
}

}  // namespace orv

#include "extras/VersionCheck.h"

#include "core/AtomicFile.h"
#include "core/ProgramState.h"
#include "core/Text.h"
#include "errors/ErrorReport.h"
#include "store/ProgramFiles.h"
#include "store/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QXmlStreamReader>
#include <cmath>
#include <optional>

namespace orv {
namespace {

constexpr int kVersionFileFetches = 3;
constexpr qint64 kPieceSize = 1024;
// The setup download may take its deadline plus one second for every this many bytes of its size.
constexpr qint64 kSetupBytesPerSecond = 32 * 1024;
// A larger setup file is not taken: it would only fill the disk.
constexpr qint64 kMaxSetupFileBytes = qint64(1) << 30;

const QString kDownloadFailedTitle = QStringLiteral("Download Failed");

// The bar's steps: (1024 / size) x 100 per piece, rounded to 4 decimals, up to 100. Without a size
// (missing or 0) there is no step and the bar only shows activity.
class DownloadBar {
public:
    explicit DownloadBar(qint64 size)
        : step_(size > 0 ? std::round(static_cast<double>(kPieceSize) / static_cast<double>(size) * 100.0 * 1e4) / 1e4
                         : 0.0) {}

    // The value after one more piece; -1 without a size.
    int advance() {
        if (step_ <= 0) return -1;
        if (value_ < 100) value_ = value_ + step_ <= 100 ? value_ + step_ : 100;
        return qRound(value_);
    }

private:
    double step_;
    double value_ = 0;
};

// "Nothing new", except during start-up, which goes on without a word.
void showNoUpdates(ProgramState& state) {
    if (!state.run.StartingUp)
        showPlainMessage(state, QStringLiteral("No new updates are currently available."),
                         QStringLiteral("Orvella Configurator"), DialogContent::Information);
}

// Why an answer did not bring the whole file, in words.
QString failureReason(const HttpAnswer& answer) {
    if (answer.outcome == HttpOutcome::Cancelled)
        return QStringLiteral("The download was stopped before it was complete.");
    if (answer.outcome == HttpOutcome::Answered && answer.status / 100 != 2)
        return QStringLiteral("The web site answered with HTTP status %1.").arg(answer.status);
    if (!answer.error.isEmpty()) return answer.error;
    return QStringLiteral("The download did not complete.");
}

void reportDownloadFailure(ProgramState& state, const QString& newest, const QString& reason) {
    showPlainMessage(state,
                     QStringLiteral("The setup file for version ") + newest +
                         QStringLiteral(" could not be downloaded.\n\n") + reason +
                         QStringLiteral("\n\nNo setup file was saved."),
                     kDownloadFailedTitle, DialogContent::Error);
}

// Downloads the setup file into `folder` under its own name, through a temporary file that takes
// the name only once the whole body has arrived. Returns why it failed; empty when it worked.
QString downloadSetupFile(Network& network, const QUrl& setupFile, const QString& folder, VersionCheckDisplay& display,
                          const HttpOptions& options) {
    const QString target = folder + kSetupFileName;
    // What a download that was killed left of this file goes first.
    AtomicFile::removeLeftovers(folder, QDateTime::currentDateTime(),
                                [](const QString& leftover) { return leftover == kSetupFileName; });
    AtomicFile file(target);
    if (!file.open()) return QStringLiteral("The file '%1' cannot be created: %2").arg(target, file.errorString());

    HttpOptions downloadOptions = options;
    downloadOptions.deadlineBytesPerSecond = kSetupBytesPerSecond;
    downloadOptions.maxBodyBytes = kMaxSetupFileBytes;
    downloadOptions.cancelled = [&display, &options] {
        return display.downloadCancelled() || (options.cancelled && options.cancelled());
    };
    std::optional<DownloadBar> bar;
    bool written = true;
    const auto sink = [&](const QByteArray& piece) {
        written = file.write(piece);
        return written;
    };
    const auto progress = [&](qint64 received, qint64 total) {
        if (!bar) bar.emplace(total);
        display.showProgress(bar->advance(), received);
    };
    const HttpAnswer answer = network.download(setupFile, sink, progress, downloadOptions, kPieceSize);
    if (!written) return QStringLiteral("The file '%1' cannot be written: %2").arg(target, file.errorString());
    if (!answer.succeeded()) return failureReason(answer);
    if (!file.commit()) return QStringLiteral("The file '%1' cannot be saved: %2").arg(target, file.errorString());
    return {};
}

// Offers the new version; a Yes leads to the folder, the download and the finish question.
VersionCheckOutcome offerNewVersion(ProgramState& state, Network& network, const NewVersionInfo& info,
                                    const UpdateSite& site, VersionCheckDisplay& display, const HttpOptions& options) {
    if (AskQuestion(state, newVersionQuestion(info), QStringLiteral("A New Version Of Orvella Is Available!")) !=
        Answer::Yes)
        return VersionCheckOutcome::Declined;

    const QString picked = display.pickFolder(QStringLiteral("Select The Folder To Download The New Setup File To:"),
                                              state.paths.programFolder);
    if (picked.isEmpty()) return VersionCheckOutcome::NoFolder;
    const QString folder = AddBackslash(picked);

    display.showStatus(QStringLiteral("Downloading Setup File For Version ") + info.CurrentVersion +
                       QStringLiteral(" To: \n") + folder + QStringLiteral("..."));
    display.downloadStarted();
    const QString failure = downloadSetupFile(network, site.setupFile, folder, display, options);
    display.downloadEnded();
    if (!failure.isEmpty()) {
        reportDownloadFailure(state, info.CurrentVersion, failure);
        return VersionCheckOutcome::DownloadFailed;
    }
    return AskQuestion(state, downloadFinishedQuestion(info.CurrentVersion, folder),
                       QStringLiteral("Download Successful!")) == Answer::Yes
               ? VersionCheckOutcome::QuitToInstall
               : VersionCheckOutcome::Downloaded;
}

}  // namespace

std::optional<UpdateSite> updateSite(ProgramState& state) {
    QString base = GetSetting(state, QStringLiteral("UpdateSite")).trimmed();
    while (base.endsWith(QLatin1Char('/'))) base.chop(1);
    if (base.isEmpty()) return std::nullopt;
    return UpdateSite{QUrl(base + kVersionFilePath), QUrl(base + kSetupFilePath)};
}

std::optional<NewVersionInfo> parseVersionFile(const QByteArray& text) {
    QXmlStreamReader reader(text);
    NewVersionInfo info;
    QString allText;
    bool hasErrorMsg = false;
    int depth = 0;
    QString child;
    QString childText;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            if (++depth == 2) {
                child = reader.name().toString();
                childText.clear();
            }
        } else if (reader.isEndElement()) {
            if (depth-- == 2) {
                if (child == QLatin1String("ErrorMsg")) hasErrorMsg = true;
                if (child == QLatin1String("CurrentVersion")) info.CurrentVersion = childText;
                if (child == QLatin1String("ReleaseDate")) info.ReleaseDate = childText;
                if (child == QLatin1String("NewFeatures")) info.NewFeatures = childText;
            }
        } else if (reader.isCharacters()) {
            allText += reader.text();
            if (depth >= 2) childText += reader.text();
        }
    }
    if (reader.hasError() || allText.trimmed().isEmpty() || hasErrorMsg) return std::nullopt;
    return info;
}

int compareVersions(const QString& a, const QString& b) {
    const QStringList left = a.trimmed().split(QLatin1Char('.'));
    const QStringList right = b.trimmed().split(QLatin1Char('.'));
    const auto number = [](const QStringList& parts, qsizetype i) {
        const QString part = parts.value(i).trimmed();
        qsizetype digits = 0;
        while (digits < part.size() && part[digits].isDigit()) ++digits;
        return part.left(digits).toLongLong();
    };
    for (qsizetype i = 0; i < std::max(left.size(), right.size()); ++i) {
        const qint64 x = number(left, i);
        const qint64 y = number(right, i);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

QString newVersionQuestion(const NewVersionInfo& info) {
    QString text =
        QStringLiteral("A new version, ") + info.CurrentVersion + QStringLiteral(", is available for download.");
    text += QStringLiteral("\nThis version was released on ") + info.ReleaseDate + QStringLiteral(".");
    if (!info.NewFeatures.trimmed().isEmpty())
        text += QStringLiteral("\n\nSome of the new features in this version include: \n") +
                StripControlChars(info.NewFeatures, '\n') + QStringLiteral("\n");
    text += QStringLiteral("\n\nWould you like to download this latest version?");
    text += QStringLiteral(
        "\n\n\n(Once the new version is downloaded, you will need to quit Orvella Configurator "
        "before you can install it successfully.)");
    return text;
}

QString downloadFinishedQuestion(const QString& newest, const QString& folder) {
    return QStringLiteral("The setup file for version ") + newest + QStringLiteral(" was successfully downloaded to:") +
           QStringLiteral("\n\n") + folder + QStringLiteral("\n\n") +
           QStringLiteral("Would you like to quit Orvella Configurator so you can install the new version now?");
}

void VersionCheckDisplay::checkFailed(ProgramState& state, const QString& reason) {
    (void)reason;
    showNoUpdates(state);
}

VersionCheckOutcome CheckForNewVersion(ProgramState& state, VersionCheckDisplay& display, const HttpOptions& options) {
    display.showStatus(QStringLiteral("Please Wait...  Checking To See If New Version Is Available..."));
    const std::optional<UpdateSite> site = updateSite(state);
    if (!site) {
        display.checkFailed(state, QStringLiteral("No update site is set up (the setting \"UpdateSite\" is empty)."));
        return VersionCheckOutcome::CheckFailed;
    }
    Network network;
    HttpOptions fetchOptions = options;
    fetchOptions.maxBodyBytes = kMaxPageBytes;
    const HttpAnswer answer = network.getWithTries(site->versionFile, kVersionFileFetches, fetchOptions);
    const std::optional<NewVersionInfo> info =
        answer.succeeded() ? parseVersionFile(answer.body) : std::optional<NewVersionInfo>();
    if (!info || info->CurrentVersion.trimmed().isEmpty()) {
        display.checkFailed(state, answer.succeeded()
                                       ? site->versionFile.toString() + QStringLiteral(" holds no version.")
                                       : failureReason(answer));
        return VersionCheckOutcome::CheckFailed;
    }
    if (compareVersions(info->CurrentVersion, fullVersionText(state.version)) <= 0) {
        showNoUpdates(state);
        return VersionCheckOutcome::NoUpdate;
    }
    return offerNewVersion(state, network, *info, *site, display, options);
}

}  // namespace orv

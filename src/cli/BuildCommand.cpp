#include "builder/FolderWatch.h"
#include "builder/Follower.h"
#include "builder/UpdateDatabase.h"
#include "cli/Commands.h"
#include "core/ProgramState.h"
#include "errors/ErrorReport.h"
#include "store/MusicLibraries.h"
#include "store/ProgramFiles.h"
#include "store/ProgramFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace orv {
namespace {

// The status of a run that Ctrl-C stopped, as a shell reports a program ended by SIGINT.
constexpr int kInterruptedStatus = 130;

// Starts the player when the run asked for it (AutoLaunch), as the main window's launch button does.
void startPlayerWhenAsked(Command& c) {
    if (!c.ui.playerRequested()) return;
    const QString player = ProgramFile(c.state, QStringLiteral("Orvella"));
    if (QFileInfo(player).isExecutable() && QProcess::startDetached(player, {}, c.state.paths.programFolder)) return;
    showPlainMessage(c.state,
                     QStringLiteral("Orvella could not be started. The player program was not found at:\n\n") + player,
                     QStringLiteral("Orvella Not Found"), DialogContent::Information);
}

int runStatus(Command& c) {
    c.ui.endProgressLine();
    if (c.ui.interrupted()) return kInterruptedStatus;
    startPlayerWhenAsked(c);
    return c.status();
}

// Keeps the current Music Library in step with the music folder until Ctrl-C or SIGTERM, which
// end it after the current file, with what was written committed. One summary line for each batch
// that changed the library.
int followMusicFolder(Command& c) {
    c.ui.watchForInterrupt(&c.state.run.CloseRequested);
    Follower follower(c.state);
    follower.onBatch = [&](const FolderUpdateResult& batch) {
        const BuildSummary& s = batch.summary;
        if (s.added + s.updated + s.orphaned == 0) return;
        c.out << QDateTime::currentDateTime().toString(Qt::ISODate) << " added " << s.added << ", updated " << s.updated
              << ", orphaned " << s.orphaned << ", seconds " << QString::number(s.seconds, 'f', 2) << '\n';
        c.out.flush();
    };
    // A signal ends the wait at once; the bound covers one that comes just before it.
    while (!c.ui.interrupted()) follower.step(1000);
    return 0;
}

}  // namespace

int runBuild(Command& c) {
    BuildOptions options = buildOptionsFromSettings(c.state);
    for (qsizetype i = 0; i < c.args.size(); ++i) {
        const QString& option = c.args[i];
        if (i + 1 >= c.args.size()) throw UsageError();
        const QString value = c.args[++i];
        if (option == QLatin1String("--library")) {
            options.library = value;
        } else if (option == QLatin1String("--music")) {
            options.musicPath = QDir::cleanPath(QFileInfo(value).absoluteFilePath());
        } else if (option == QLatin1String("--log") && QStringList{"text", "xml", "none"}.contains(value)) {
            options.logEnabled = value != QLatin1String("none");
            options.logIsXml = value == QLatin1String("xml");
        } else {
            throw UsageError();
        }
    }
    options.library = listedLibrary(c, options.library);
    if (options.library.isEmpty()) return 1;
    c.ui.watchForInterrupt(&c.state.run.CloseRequested);
    const BuildSummary summary = UpdateDatabase(c.state, options);
    c.ui.endProgressLine();
    if (summary.end == BuildSummary::End::Completed || summary.end == BuildSummary::End::Cancelled)
        c.out << "added " << summary.added << ", updated " << summary.updated << ", orphaned " << summary.orphaned
              << ", unchanged " << summary.unchanged << ", skipped " << summary.skipped << ", tags not written "
              << summary.unwrittenTags << ", seconds " << QString::number(summary.seconds, 'f', 2) << '\n';
    if (summary.end == BuildSummary::End::Failed || summary.end == BuildSummary::End::NotStarted) return 1;
    return runStatus(c);
}

int runWatch(Command& c) {
    const bool follow = c.args == QStringList{QStringLiteral("--follow")};
    if (!follow && !c.args.isEmpty()) throw UsageError();
    // Both build the current Music Library: one that the list does not hold is refused first.
    if (listedLibrary(c, currentMusicLibrarySetting(c.state)).isEmpty()) return 1;
    if (follow) return followMusicFolder(c);
    c.state.MusicPath = storedMusicPath(c.state);
    c.ui.watchForInterrupt(&c.state.run.CloseRequested);
    WatchForMP3s(c.state, c.state.MusicPath);
    return runStatus(c);
}

}  // namespace orv

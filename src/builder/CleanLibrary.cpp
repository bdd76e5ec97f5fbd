// The verify phase: the records whose files vanished are removed.

#include "builder/BuildRun.h"
#include "core/AtomicFile.h"
#include "core/Controls.h"
#include "core/FrontEnd.h"
#include "core/ProgramState.h"
#include "store/DataAccess.h"

namespace orv {

void BuildRun::CleanLibrary() {
    FrontEnd& ui = state_.ui();
    ui.setAllVisible(songDetailLabels(), false);
    ui.setVisible(Control::imgBuildAlbumCover, false);
    ui.setWindowTitle(QStringLiteral("Orvella Configurator - Verifying Music Library..."));
    state_.run.OrphanedCount = 0;
    // The records of the files the walk met stay; the others are looked for.
    for (const QString& fileName : library_.filesNotMet()) {
        tryStep([&] { verifyRecord(fileName); });
        // The window stays alive through a long verify phase; Cancel ends it here.
        ui.yield();
        if (state_.run.CloseRequested) break;
    }
}

void BuildRun::verifyRecord(const QString& fileName) {
    if (library_.wasMet(fileName)) return;
    state_.ui().setCaption(Control::lblCurrentFile, fileName);
    if (pathStatus(fileName)) return;
    ExecuteSQLCommand(state_,
                      QStringLiteral("DELETE FROM ") + SqlQuote(state_.CurrentMusicLibrary) + QStringLiteral(" ") +
                          QStringLiteral("WHERE FileName = '") + SqlQuote(fileName) + QStringLiteral("'"),
                      Db::Libraries);
    ++state_.run.OrphanedCount;
    if (batch_) batch_->wrote();
    if (log_) log_->logOrphanedRecord(fileName);
}

}  // namespace orv

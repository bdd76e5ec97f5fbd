// The verify phase: the records whose files vanished are removed.

#include "builder/BuildRun.h"
#include "builder/FolderReader.h"
#include "core/Controls.h"
#include "core/FrontEnd.h"
#include "core/ProgramState.h"
#include "errors/ErrorReport.h"
#include "store/DataAccess.h"

namespace orv {

void BuildRun::CleanLibrary() {
    FrontEnd& ui = state_.ui();
    ui.setAllVisible(songDetailLabels(), false);
    ui.setVisible(Control::imgBuildAlbumCover, false);
    state_.run.OrphanedCount = 0;

    Recordset records;
    try {
        records = GetRecordset(state_,
                               QStringLiteral("SELECT FileName, FileDateTimeLow, FileDateTimeHigh FROM ") +
                                   SqlQuote(state_.CurrentMusicLibrary),
                               Db::Libraries);
        if (records.isNothing()) return;
        if (records.isBOF() || records.isEOF()) {
            records.close();
            return;
        }
    } catch (const RuntimeError& error) {
        reportError(state_, QStringLiteral("frmStartUp"), QStringLiteral("CleanLibrary"), error);
        return;
    }
    for (; !records.isEOF(); records.moveNext()) {
        TryStep([&] { verifyRecord(records.field(0).toString()); });
        // The window stays alive through a long verify phase; Cancel ends it here.
        ui.yield();
        if (state_.run.CloseRequested) break;
    }
    records.close();
}

void BuildRun::verifyRecord(const QString& fileName) {
    state_.ui().setWindowTitle(QStringLiteral("Orvella Configurator - Verifying Music Library..."));
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

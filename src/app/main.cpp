#include "app/Application.h"
#include "app/WindowFrontEnd.h"
#include "app/WorkerFrontEnd.h"
#include "app/frmDownloadConfig.h"
#include "app/frmSplash.h"
#include "builder/FolderWatch.h"
#include "core/ProgramState.h"
#include "core/RuntimeError.h"
#include "errors/ErrorReport.h"
#include "store/DataAccess.h"
#include "store/JetImport.h"
#include "store/ProgramFiles.h"
#include "store/ProgramFolder.h"

#include <cstdlib>

namespace {

// Opens the program folder to use; a per-user folder that cannot be made, or a database the user
// cannot read or write, is reported.
bool openProgramFolderToUse(orv::ProgramState& state) {
    try {
        orv::openProgramFolder(state, orv::programFolderToUse(QCoreApplication::applicationDirPath()));
        const QStringList unusable = orv::unusableDatabases(state.paths.programFolder);
        if (unusable.isEmpty()) return true;
        orv::ShowErrorMessage(
            state, {.message = QStringLiteral("Orvella cannot read or write the file ") + unusable.first() +
                               QStringLiteral(".\n\nPlease make sure that your user account may read and write it "
                                              "(its owner and permissions), then start the Configurator again."),
                    .icon = orv::DialogContent::Error,
                    .title = QStringLiteral("Database Cannot Be Opened"),
                    .modal = true});
        return false;
    } catch (const orv::RuntimeError& error) {
        state.session.DataAccessVersionSource = orv::engineVersion;
        orv::ShowErrorMessage(state, {.message = orv::kStartupFatalErrorMessage,
                                      .module = QStringLiteral("main"),
                                      .procedure = QStringLiteral("programFolderToUse"),
                                      .number = error.number(),
                                      .description = error.description(),
                                      .modal = true});
        return false;
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    orv::Application app(argc, argv);
    orv::ProgramState state;
    orv::WindowFrontEnd frontEnd(state);
    state.session.userInterface = &frontEnd;
    if (!openProgramFolderToUse(state)) return EXIT_FAILURE;

    bool started = true;
    try {
        // A program database copied from the Windows version is converted before anything reads it.
        if (!orv::convertWindowsDatabases(state)) return EXIT_FAILURE;

        orv::frmSplash* splash = nullptr;
        orv::StartUpServices services;
        // The count walk, its offer and the update it may start run on their own thread.
        services.watchForMP3s = [&state, &splash](const QString& musicPath, std::function<void()> then) {
            orv::runInBackground(
                state, splash, [&state, musicPath](orv::WorkerFrontEnd&) { orv::WatchForMP3s(state, musicPath); },
                [then = std::move(then)](bool programEnded) {
                    if (!programEnded) then();
                });
        };
        services.checkForNewVersion = [&state, &splash] { orv::frmDownloadConfig::checkAtStartUp(state, splash); };
        splash = new orv::frmSplash(state, frontEnd, services, app.arguments().mid(1).join(' '));
        splash->Form_Load();
    } catch (const orv::ProgramEnd&) {
        started = false;
    }
    const int status = started ? app.exec() : EXIT_FAILURE;
    // The windows closed as the program ended go now, and with them the work still running for them,
    // which is stopped and waited for before the program's state goes.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}

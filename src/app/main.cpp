#include "app/Application.h"
#include "app/WindowFrontEnd.h"
#include "app/frmSplash.h"
#include "builder/FolderWatch.h"
#include "core/ProgramState.h"
#include "core/RuntimeError.h"
#include "store/ProgramFiles.h"

#include <QDir>
#include <cstdlib>

int main(int argc, char* argv[]) {
    orv::Application app(argc, argv);
    orv::ProgramState state;
    orv::WindowFrontEnd frontEnd(state);
    state.session.userInterface = &frontEnd;
    orv::openProgramFolder(state, QDir::cleanPath(QCoreApplication::applicationDirPath()));

    try {
        orv::StartUpServices services;
        services.watchForMP3s = [&state](const QString& musicPath) { orv::WatchForMP3s(state, musicPath); };
        auto* splash = new orv::frmSplash(state, frontEnd, services, app.arguments().mid(1).join(' '));
        splash->Form_Load();
    } catch (const orv::ProgramEnd&) {
        return EXIT_FAILURE;
    }
    return app.exec();
}

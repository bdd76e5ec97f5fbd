#include "app/WindowFrontEnd.h"
#include "app/frmSplash.h"
#include "core/ProgramState.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    orv::ProgramState state;
    state.paths.ProgramFolder = QDir::cleanPath(QCoreApplication::applicationDirPath());
    orv::WindowFrontEnd frontEnd(state);
    state.session.UserInterface = &frontEnd;

    auto* splash = new orv::frmSplash(state, frontEnd, orv::StartUpServices{}, app.arguments().mid(1).join(' '));
    splash->Form_Load();
    return app.exec();
}

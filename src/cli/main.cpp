#include "cli/CommandLine.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    return orv::runCommandLine(app.arguments().mid(1), QCoreApplication::applicationDirPath());
}

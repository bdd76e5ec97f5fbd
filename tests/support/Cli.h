#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace orv::test {

// One run of the command-line program over a program folder, without a terminal.
struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

inline CliRun Cli(const QString& home, const QStringList& arguments) {
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(ORVELLA_CLI, QStringList{"--home", home} + arguments);
    process.waitForFinished(-1);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace orv::test

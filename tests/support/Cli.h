#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace orv::test {

// One run of the command-line program over a program folder, without a terminal.
struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

// A run that has not ended after five minutes is killed and fails the test.
inline CliRun Cli(const QString& home, const QStringList& arguments, const QString& program = ORVELLA_CLI) {
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, QStringList{"--home", home} + arguments);
    if (!process.waitForFinished(5 * 60 * 1000)) {
        ADD_FAILURE() << "orvella-cli " << arguments.join(' ').toStdString() << " did not end";
        process.kill();
        process.waitForFinished();
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

// Tests over a program folder that the command line made with "init".
class CliHome : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Cli(home.path(), {"init"}).status, 0); }
    QString file(const QString& name) const { return home.path() + "/" + name; }
    QTemporaryDir home;
};

}  // namespace orv::test

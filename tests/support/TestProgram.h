#pragma once

#include "core/ProgramState.h"
#include "support/ScriptedFrontEnd.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <ostream>

// Failed expectations print texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << texts.join(" | ").toStdString();
}

namespace orv::test {

// The first column of every row of a query straight against a database file, outside the program.
QStringList QueryColumn(const QString& databasePath, const QString& query);

// A fresh program folder in a temporary directory, with a program state over it that talks
// to a scripted front end.
struct TestProgram {
    TestProgram();
    ~TestProgram();

    QString file(const QString& name) const;
    // Runs an SQL text straight against a database file of the folder, outside the program.
    void sql(const QString& databaseFile, const QString& statement) const;
    // The first column of every row of a query straight against a database file.
    QStringList column(const QString& databaseFile, const QString& query) const;

    QTemporaryDir dir;
    ScriptedFrontEnd ui;
    ProgramState state;
};

}  // namespace orv::test

#include "support/TestProgram.h"

#include "store/ProgramFiles.h"
#include "store/ProgramFolder.h"

#include <QDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace orv::test {

TestProgram::TestProgram() {
    state.session.userInterface = &ui;
    initializeProgramFolder(dir.path());
    openProgramFolder(state, dir.path());
}

TestProgram::~TestProgram() {
    state.run.SharedLibraryConnection.reset();
    state.session.connectionPool.clear();
}

QString TestProgram::file(const QString& name) const {
    return dir.path() + QDir::separator() + name;
}

namespace {
int CollectFirstColumn(void* list, int, char** values, char**) {
    static_cast<QStringList*>(list)->append(values[0] ? QString::fromUtf8(values[0]) : QString());
    return 0;
}
}  // namespace

QStringList QueryColumn(const QString& databasePath, const QString& query) {
    sqlite3* db = nullptr;
    QStringList values;
    EXPECT_EQ(sqlite3_open_v2(databasePath.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, query.toUtf8().constData(), CollectFirstColumn, &values, &error), SQLITE_OK)
        << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
    return values;
}

QStringList TestProgram::column(const QString& databaseFile, const QString& query) const {
    return QueryColumn(file(databaseFile), query);
}

void TestProgram::sql(const QString& databaseFile, const QString& statement) const {
    column(databaseFile, statement);
}

}  // namespace orv::test

#include "coverart/CoverMisses.h"

#include "core/RuntimeError.h"
#include "store/DataAccess.h"

namespace orv {
namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString sinceText(const QDateTime& now) {
    return sqlText(now.addDays(-kMissDays).toString(kDateFormat));
}

QString albumCondition(const QString& service, const QString& artist, const QString& album, const QString& band) {
    return QStringLiteral("Service = ") + sqlText(service) + QStringLiteral(" AND Artist = ") + sqlText(artist) +
           QStringLiteral(" AND Album = ") + sqlText(album) + QStringLiteral(" AND Band = ") + sqlText(band);
}

// Makes the table when it is missing (a table that exists is passed over).
void makeTable(ProgramState& state) {
    ExecuteSQLCommand(state,
                      QStringLiteral("CREATE TABLE ") + kMissesTable +
                          QStringLiteral(" (Service Text(32), Artist Text(255), Album Text(255), Band Text(255), "
                                         "MissedOn DateTime)"),
                      Db::Main, true);
}

}  // namespace

std::optional<QDateTime> rememberedMiss(ProgramState& state, const QString& service, const QString& artist,
                                        const QString& album, const QString& band, const QDateTime& now) {
    const QString sql = QStringLiteral("SELECT MAX(MissedOn) FROM ") + kMissesTable + QStringLiteral(" WHERE ") +
                        albumCondition(service, artist, album, band) + QStringLiteral(" AND MissedOn >= ") +
                        sinceText(now);
    // A table that is not there yet remembers nothing.
    const std::optional<QString> missedOn =
        tryStep([&] { return GetRecordset(state, sql, Db::Main, false).field(0).toString(); });
    const QDateTime when = QDateTime::fromString(missedOn.value_or(QString()), kDateFormat);
    if (!when.isValid()) return std::nullopt;
    return when;
}

void rememberMiss(ProgramState& state, const QString& service, const QString& artist, const QString& album,
                  const QString& band, const QDateTime& now) {
    makeTable(state);
    ExecuteSQLCommand(state, QStringLiteral("DELETE FROM ") + kMissesTable + QStringLiteral(" WHERE MissedOn < ") +
                                 sinceText(now) + QStringLiteral(" OR (") +
                                 albumCondition(service, artist, album, band) + QStringLiteral(")"));
    ExecuteSQLCommand(state, QStringLiteral("INSERT INTO ") + kMissesTable +
                                 QStringLiteral(" (Service, Artist, Album, Band, MissedOn) VALUES (") +
                                 sqlText(service) + QStringLiteral(", ") + sqlText(artist) + QStringLiteral(", ") +
                                 sqlText(album) + QStringLiteral(", ") + sqlText(band) + QStringLiteral(", ") +
                                 sqlText(now.toString(kDateFormat)) + QStringLiteral(")"));
}

bool forgetMisses(ProgramState& state) {
    makeTable(state);
    return ExecuteSQLCommand(state, QStringLiteral("DELETE FROM ") + kMissesTable);
}

}  // namespace orv

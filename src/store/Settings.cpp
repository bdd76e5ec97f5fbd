#include "store/Settings.h"

#include "core/ProgramState.h"
#include "store/DataAccess.h"

namespace orv {
namespace {

// The first field of the first row as text; empty for no row, Null or a failed query.
QString firstFieldText(const Recordset& recordset) {
    return tryStep([&] { return recordset.isEOF() ? QString() : recordset.field(0).toString(); }).value_or(QString());
}

Recordset settingRecordset(ProgramState& state, const QString& name) {
    return GetRecordset(state,
                        QStringLiteral("SELECT SettingValue FROM Settings ") + QStringLiteral("WHERE SettingName = '") +
                            SqlQuote(name) + "'",
                        Db::Settings);
}

}  // namespace

QString GetSetting(ProgramState& state, const QString& name) {
    return firstFieldText(settingRecordset(state, name));
}

std::optional<QString> readSetting(ProgramState& state, const QString& name) {
    const Recordset recordset = settingRecordset(state, name);
    if (recordset.isNothing()) return std::nullopt;
    return recordset.isEOF() ? QString() : recordset.field(0).toString();
}

bool SaveSetting(ProgramState& state, const QString& name, const QVariant& value) {
    const QString text = settingText(value);
    const Recordset count = GetRecordset(state,
                                         QStringLiteral("SELECT Count(*) FROM Settings ") +
                                             QStringLiteral("WHERE SettingName = '") + SqlQuote(name) + "'",
                                         Db::Settings);
    const QString statement =
        count.field(0).toInt() == 0
            ? QStringLiteral("INSERT INTO Settings (SettingName, SettingValue) ") + QStringLiteral("VALUES ('") +
                  SqlQuote(name) + QStringLiteral("', '") + SqlQuote(text) + QStringLiteral("')")
            : QStringLiteral("UPDATE Settings ") + QStringLiteral("SET SettingValue = '") + SqlQuote(text) +
                  QStringLiteral("' ") + QStringLiteral("WHERE SettingName = '") + SqlQuote(name) + "'";
    return ExecuteSQLCommand(state, statement, Db::Settings, false);
}

std::optional<SettingRows> listSettings(ProgramState& state) {
    Recordset rows =
        GetRecordset(state, QStringLiteral("SELECT SettingName, SettingValue FROM Settings"), Db::Settings);
    if (rows.isNothing()) return std::nullopt;
    SettingRows settings;
    for (; !rows.isEOF(); rows.moveNext()) settings.emplace_back(rows.field(0).toString(), rows.field(1).toString());
    return settings;
}

QString GetSkinSetting(ProgramState& state, const QString& skin, const QString& name) {
    return firstFieldText(GetRecordset(state,
                                       QStringLiteral("SELECT SettingValue FROM Skins ") +
                                           QStringLiteral("WHERE SkinName = '") + SqlQuote(skin) + "' " +
                                           QStringLiteral("AND SettingName = '") + SqlQuote(name) + "'",
                                       Db::Main));
}

QString settingText(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool) return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return value.toString();
}

std::optional<bool> booleanValue(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (trimmed.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    bool ok = false;
    const double number = trimmed.toDouble(&ok);
    if (ok) return number != 0.0;
    return std::nullopt;
}

}  // namespace orv

#pragma once

#include <QString>
#include <QVariant>
#include <optional>
#include <utility>
#include <vector>

namespace orv {

struct ProgramState;

// A setting's text; the empty text when it is missing, Null or cannot be read.
QString GetSetting(ProgramState& state, const QString& name);

// A setting's text as GetSetting reads it, with failures told apart: nothing when the settings
// database gave no answer (reported); a Settings table that cannot be read throws RuntimeError.
std::optional<QString> readSetting(ProgramState& state, const QString& name);

// Stores a setting, adding its row the first time and updating every row of the name after.
// Booleans are stored as "True"/"False". False when the statement was refused (reported); a
// settings table that cannot be read reaches the caller as a RuntimeError.
bool SaveSetting(ProgramState& state, const QString& name, const QVariant& value);

// Every setting as (name, value), in the table's order; nothing when the settings database gave no
// answer (reported). A table that cannot be read throws RuntimeError.
using SettingRows = std::vector<std::pair<QString, QString>>;
std::optional<SettingRows> listSettings(ProgramState& state);

// A skin's value; the empty text when missing.
QString GetSkinSetting(ProgramState& state, const QString& skin, const QString& name);

// The text form of a setting value: Booleans as "True"/"False", anything else as its text.
QString settingText(const QVariant& value);

// The platform's text-to-Boolean conversion: "True"/"False" in any letter case, or a number
// (0 is False). Empty when the text converts to neither.
std::optional<bool> booleanValue(const QString& text);

}  // namespace orv

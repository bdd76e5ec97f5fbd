#pragma once

#include <QString>

namespace orv {

struct ProgramVersion {
    int major = 8;
    int minor = 1;
    int revision = 9;
};

constexpr ProgramVersion CurrentVersion{};

// "8.1.9": always three numbers.
inline QString fullVersionText(const ProgramVersion& v) {
    return QString::number(v.major) + "." + QString::number(v.minor) + "." + QString::number(v.revision);
}

// "8.1.9", or "8.1" when the revision is 0.
inline QString shortVersionText(const ProgramVersion& v) {
    QString text = QString::number(v.major) + "." + QString::number(v.minor);
    if (v.revision != 0) text += "." + QString::number(v.revision);
    return text;
}

// The main window's caption: "Orvella Configurator - Version 8.1.9".
inline QString mainWindowCaption(const ProgramVersion& v) {
    return QStringLiteral("Orvella Configurator - ") + QStringLiteral("Version ") + fullVersionText(v);
}

}  // namespace orv

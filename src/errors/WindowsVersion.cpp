#include "errors/WindowsVersion.h"

#include "store/GlobalConfig.h"

#include <QSysInfo>

namespace orv {
namespace {

QString NtFamilyName(const WindowsVersionRecord& r, bool extended) {
    if (r.major == 3 || r.major == 4) return QStringLiteral("Microsoft Windows NT");
    if (r.major == 5 && r.minor == 0) {
        QString name = QStringLiteral("Windows 2000");
        if (extended) {
            if (r.productType == 3) name += QStringLiteral(" Server");
            else if (r.productType == 2) name += QStringLiteral(" Domain Controller");
            else if (r.productType == 1) name += QStringLiteral(" Professional");
        }
        return name;
    }
    if (r.major == 5 && r.minor == 1) {
        QString name = QStringLiteral("Windows XP ");
        if (extended) name += r.suiteMask == 0x200 ? QStringLiteral(" Home Edition") : QStringLiteral(" Professional");
        return name;
    }
    return QString();
}

QString NinetyFiveFamilyName(const WindowsVersionRecord& r) {
    switch (r.minor) {
    case 0: return QStringLiteral("Microsoft Windows 95");
    case 10: return QStringLiteral("Microsoft Windows 98");
    case 90: return QStringLiteral("Microsoft Windows Millenium");
    default: return QStringLiteral("Microsoft Windows 9?");
    }
}

}  // namespace

QString GetWindowsVersion(const WindowsVersionAnswer& answer) {
    if (!answer.record) return QStringLiteral("Microsoft Windows (Unknown)");
    const WindowsVersionRecord& r = *answer.record;
    const QString numbers = QString::number(r.major) + "." + QString::number(r.minor);
    const QString servicePack = TrimAtNull(r.servicePack);
    if (r.platformId == 2)
        return NtFamilyName(r, answer.extendedFieldsAvailable) + QStringLiteral(",  Version ") + numbers +
               QStringLiteral(",  ") + servicePack + QStringLiteral(",  Build ") + QString::number(r.build);
    if (r.platformId == 1)
        return NinetyFiveFamilyName(r) + QStringLiteral("Version ") + numbers + " " + servicePack +
               QStringLiteral(" (Build ") + QString::number(r.build) + ")";
    return QString();
}

QString GetWindowsVersion() {
    // Outside Windows the running system describes itself in the same shape.
    return QSysInfo::prettyProductName() + QStringLiteral(",  Version ") + QSysInfo::kernelType() + " " +
           QSysInfo::kernelVersion();
}

}  // namespace orv

#include "errors/WindowsVersion.h"

#include <QSysInfo>

namespace orv {

QString GetWindowsVersion() {
    return QSysInfo::prettyProductName() + QStringLiteral(",  Version ") + QSysInfo::kernelType() + " " +
           QSysInfo::kernelVersion();
}

}  // namespace orv

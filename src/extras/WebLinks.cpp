#include "extras/WebLinks.h"

#include "core/ProgramState.h"
#include "errors/ErrorReport.h"
#include "store/ProgramFiles.h"
#include "store/Settings.h"

namespace orv {

QString helpPagePath(const ProgramState& state) {
    return ProgramFile(state, kHelpPageFile);
}

void OpenWebsite(ProgramState& state, const std::function<bool(const QUrl&)>& openUrl) {
    const QString address = GetSetting(state, QStringLiteral("Website")).trimmed();
    const QUrl url = QUrl::fromUserInput(address);
    if (address.isEmpty() || !url.isValid()) {
        showPlainMessage(state, QStringLiteral("Web Page not Opened"), QStringLiteral("URL Failed"),
                         DialogContent::Exclamation);
        return;
    }
    if (!openUrl(url))
        showPlainMessage(state, QStringLiteral("Could not find associated Browser"),
                         QStringLiteral("Browser Not Found"), DialogContent::Exclamation);
}

}  // namespace orv

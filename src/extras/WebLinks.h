#pragma once

#include <QString>
#include <QUrl>
#include <functional>

namespace orv {

struct ProgramState;

inline const QString kHelpPageFile = QStringLiteral("Orvella Help.html");

// The help page in the program folder.
QString helpPagePath(const ProgramState& state);

// Opens the address of the setting "Website" in the desktop's web browser. An empty or unusable
// address shows "Web Page not Opened"; a desktop that opens no browser for it shows "Could not
// find associated Browser". `openUrl` is the desktop's way of opening an address.
void OpenWebsite(ProgramState& state, const std::function<bool(const QUrl&)>& openUrl);

}  // namespace orv

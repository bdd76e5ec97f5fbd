#pragma once

#include <QString>

namespace orv {

// How the vendor is named in messages.
inline const QString kVendorWebSite = QStringLiteral("www.orvella.example");
inline const QString kSupportEmail = QStringLiteral("support@orvella.example");

}  // namespace orv

#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace orv {

// The operating system's version record, as Windows reports it.
struct WindowsVersionRecord {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t platformId = 0;
    QString servicePack;  // fixed-size text field: everything from the first NUL on is padding
    // Present only in the extended record.
    std::uint16_t servicePackMajor = 0;
    std::uint16_t servicePackMinor = 0;
    std::uint16_t suiteMask = 0;
    std::uint8_t productType = 0;
};

// What asking the system gave: the extended record, or failing that the short one, or nothing.
struct WindowsVersionAnswer {
    std::optional<WindowsVersionRecord> record;
    bool extendedFieldsAvailable = false;
};

// The system's name and version in the report's words for a version answer.
QString GetWindowsVersion(const WindowsVersionAnswer& answer);

// The running system's name and version.
QString GetWindowsVersion();

}  // namespace orv

#include "errors/WindowsVersion.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

WindowsVersionAnswer Answer(std::uint32_t platform, std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                            const QString& servicePack, bool extended = true, std::uint8_t productType = 1,
                            std::uint16_t suiteMask = 0) {
    WindowsVersionRecord r;
    r.platformId = platform;
    r.major = major;
    r.minor = minor;
    r.build = build;
    r.servicePack = servicePack + QChar(0) + QString(20, QChar(0));
    r.productType = productType;
    r.suiteMask = suiteMask;
    return {r, extended};
}

TEST(WindowsVersion, NtFamilyNames) {
    EXPECT_EQ(GetWindowsVersion(Answer(2, 5, 1, 2600, "Service Pack 2")),
              "Windows XP  Professional,  Version 5.1,  Service Pack 2,  Build 2600");
    EXPECT_EQ(GetWindowsVersion(Answer(2, 5, 1, 2600, "", true, 1, 0x200)),
              "Windows XP  Home Edition,  Version 5.1,  ,  Build 2600");
    EXPECT_EQ(GetWindowsVersion(Answer(2, 5, 1, 2600, "Service Pack 1", false)),
              "Windows XP ,  Version 5.1,  Service Pack 1,  Build 2600");
    EXPECT_EQ(GetWindowsVersion(Answer(2, 5, 0, 2195, "Service Pack 4", true, 3)),
              "Windows 2000 Server,  Version 5.0,  Service Pack 4,  Build 2195");
    EXPECT_EQ(GetWindowsVersion(Answer(2, 5, 0, 2195, "", true, 2)).left(30), "Windows 2000 Domain Controller");
    EXPECT_EQ(GetWindowsVersion(Answer(2, 5, 0, 2195, "", false, 2)), "Windows 2000,  Version 5.0,  ,  Build 2195");
    EXPECT_EQ(GetWindowsVersion(Answer(2, 4, 0, 1381, "Service Pack 6")),
              "Microsoft Windows NT,  Version 4.0,  Service Pack 6,  Build 1381");
    EXPECT_EQ(GetWindowsVersion(Answer(2, 6, 1, 7601, "Service Pack 1")), ",  Version 6.1,  Service Pack 1,  Build 7601");
    EXPECT_EQ(GetWindowsVersion(Answer(2, 5, 1, 0x80000001u, "")), "Windows XP  Professional,  Version 5.1,  ,  Build 2147483649");
}

TEST(WindowsVersion, NinetyFiveFamilyAndOthers) {
    EXPECT_EQ(GetWindowsVersion(Answer(1, 4, 10, 2222, "A")), "Microsoft Windows 98Version 4.10 A (Build 2222)");
    EXPECT_EQ(GetWindowsVersion(Answer(1, 4, 0, 950, "")), "Microsoft Windows 95Version 4.0  (Build 950)");
    EXPECT_EQ(GetWindowsVersion(Answer(1, 4, 90, 3000, "")).left(27), "Microsoft Windows Millenium");
    EXPECT_EQ(GetWindowsVersion(Answer(1, 4, 3, 1, "")).left(21), "Microsoft Windows 9?V");
    EXPECT_EQ(GetWindowsVersion(Answer(0, 3, 1, 1, "")), "");
    EXPECT_EQ(GetWindowsVersion(WindowsVersionAnswer{}), "Microsoft Windows (Unknown)");
}

TEST(WindowsVersion, RunningSystemDescribesItself) {
    const QString text = GetWindowsVersion();
    EXPECT_TRUE(text.contains(",  Version ")) << text.toStdString();
    EXPECT_FALSE(text.startsWith(",")) << "the system's name comes first";
}

}  // namespace
}  // namespace orv

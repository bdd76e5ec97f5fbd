#include "errors/WindowsVersion.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(WindowsVersion, RunningSystemDescribesItself) {
    const QString text = GetWindowsVersion();
    EXPECT_TRUE(text.contains(",  Version ")) << text.toStdString();
    EXPECT_FALSE(text.startsWith(",")) << "the system's name comes first";
}

}  // namespace
}  // namespace orv

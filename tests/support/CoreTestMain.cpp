#include <QCoreApplication>
#include <gtest/gtest.h>

// Tests that wait on events (web requests, timers) without windows need an application object.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "app/Look.h"
#include "support/Pictures.h"
#include "support/TestProgram.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(ButtonLook, CaptionsGoToTheButtonUnchanged) {
    QPushButton button;
    FormatButton(&button, "Save && Close");
    EXPECT_EQ(button.text(), "Save && Close");
    const QString style = button.styleSheet();
    EXPECT_FALSE(style.isEmpty());
    setButtonCaption(&button, "Update Music Library");
    EXPECT_EQ(button.text(), "Update Music Library");
    EXPECT_EQ(button.styleSheet(), style) << "a caption change keeps the look";
}

TEST(ButtonLook, EnterPressesTheButtonOutsideADialogToo) {
    QWidget window;
    auto* button = new QPushButton(&window);
    FormatButton(button, "Update Music Library");
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
    for (const int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QCoreApplication::sendEvent(button, &press);
        QCoreApplication::sendEvent(button, &release);
    }
    EXPECT_EQ(clicks, 3);
}

TEST(ButtonLook, SkinPictureKeepsTheDesignedPictureWhenNoneLoads) {
    test::TestProgram p;
    QLabel label;
    QPixmap designed(2, 2);
    designed.fill(Qt::magenta);
    label.setPixmap(designed);
    p.state.ActiveSkin = "Missing";
    SkinPicture(p.state, &label, "Background");
    EXPECT_EQ(label.pixmap().toImage().pixelColor(0, 0), QColor(Qt::magenta));

    QDir().mkpath(p.file("Skins/Only"));
    ASSERT_TRUE(test::WriteGif(p.file("Skins/Only/Background.gif"), Qt::cyan));
    p.state.ActiveSkin = "Only";
    SkinPicture(p.state, &label, "Background");
    EXPECT_EQ(label.pixmap().toImage().pixelColor(0, 0), QColor(Qt::cyan));
}

}  // namespace
}  // namespace orv

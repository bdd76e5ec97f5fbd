#include "extras/Skins.h"
#include "support/Pictures.h"
#include "support/TestProgram.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::TestProgram;

// Writes a one-colour picture into the skin folder, or garbage under the name when `colour` is invalid.
void picture(const TestProgram& p, const QString& file, const QColor& colour) {
    const QString path = p.file("Skins/Test/" + file);
    QDir().mkpath(p.file("Skins/Test"));
    if (!colour.isValid()) {
        QFile garbage(path);
        ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
        garbage.write("not a picture");
        return;
    }
    if (path.endsWith(".gif")) {
        ASSERT_TRUE(test::WriteGif(path, colour));
        return;
    }
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(path, QFileInfo(path).suffix().toUpper().toLatin1().constData()));
}

QColor ColourOf(const std::optional<QImage>& image) {
    return image ? image->pixelColor(0, 0) : QColor();
}

TEST(SkinPictures, BmpThenJpgThenGif) {
    TestProgram p;
    p.state.ActiveSkin = "Test";
    picture(p, "Background.gif", Qt::blue);
    EXPECT_EQ(ColourOf(loadSkinPicture(p.state, "Background")), QColor(Qt::blue));
    picture(p, "Background.jpg", Qt::white);
    EXPECT_EQ(ColourOf(loadSkinPicture(p.state, "Background")), QColor(Qt::white));
    picture(p, "Background.bmp", Qt::red);
    EXPECT_EQ(ColourOf(loadSkinPicture(p.state, "Background")), QColor(Qt::red));
}

TEST(SkinPictures, TheFirstFileThatLoadsWinsAndNoneLeavesNothing) {
    TestProgram p;
    p.state.ActiveSkin = "Test";
    picture(p, "Logo.bmp", QColor());
    picture(p, "Logo.gif", Qt::green);
    EXPECT_EQ(ColourOf(loadSkinPicture(p.state, "Logo")), QColor(Qt::green));
    EXPECT_FALSE(loadSkinPicture(p.state, "Background").has_value());
    p.state.ActiveSkin = "NoSuchSkin";
    EXPECT_FALSE(loadSkinPicture(p.state, "Logo").has_value());
    EXPECT_TRUE(p.ui.messages.isEmpty());
}

TEST(SkinPictures, TheFreshProgramFolderHasTheDefaultSkin) {
    TestProgram p;
    p.state.ActiveSkin = "Default";
    EXPECT_TRUE(loadSkinPicture(p.state, "Background").has_value());
    EXPECT_TRUE(loadSkinPicture(p.state, "Logo").has_value());
}

}  // namespace
}  // namespace orv

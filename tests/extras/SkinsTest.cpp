#include "extras/Skins.h"
#include "support/Pictures.h"
#include "support/TestProgram.h"

#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::TestProgram;

// Writes a one-colour picture into the skin folder, or garbage under the name when `colour` is invalid.
void picture(const TestProgram& p, const QString& file, const QColor& colour) {
    const QString path = p.file("Skins/Test/" + file);
    QDir().mkpath(p.file("Skins/Test"));
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(colour);
    if (!colour.isValid())
        ASSERT_TRUE(test::WriteFile(path, "not a picture"));
    else if (path.endsWith(".gif"))
        ASSERT_TRUE(test::WriteGif(path, colour));
    else
        ASSERT_TRUE(image.save(path));
}

QColor ColourOf(const std::optional<QImage>& image) {
    return image ? image->pixelColor(0, 0) : QColor();
}

TEST(SkinPictures, BmpThenJpgThenGifAndTheFirstFileThatLoadsWins) {
    TestProgram p;
    p.state.ActiveSkin = "Test";
    picture(p, "Logo.bmp", QColor());
    picture(p, "Logo.gif", Qt::green);
    EXPECT_EQ(ColourOf(loadSkinPicture(p.state, "Logo")), QColor(Qt::green));
    EXPECT_FALSE(loadSkinPicture(p.state, "Background").has_value());
    // Each picture added wins over those before it.
    for (const auto& [file, colour] : {std::pair{"Background.gif", QColor(Qt::blue)},
                                       {"Background.jpg", QColor(Qt::white)},
                                       {"Background.bmp", QColor(Qt::red)}}) {
        picture(p, file, colour);
        EXPECT_EQ(ColourOf(loadSkinPicture(p.state, "Background")), colour) << file;
    }
    p.state.ActiveSkin = "NoSuchSkin";
    EXPECT_FALSE(loadSkinPicture(p.state, "Logo").has_value());
    EXPECT_TRUE(p.ui.messages.isEmpty());

    p.state.ActiveSkin = "Default";  // the fresh program folder's
    EXPECT_TRUE(loadSkinPicture(p.state, "Background").has_value());
    EXPECT_TRUE(loadSkinPicture(p.state, "Logo").has_value());
}

}  // namespace
}  // namespace orv

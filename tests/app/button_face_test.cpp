// The picture under the flat buttons.
#include "app/button_face.h"

#include <QImage>

#include <gtest/gtest.h>

namespace dbc {
namespace {

TEST(ButtonFace, IsA58By25TrueColourPicture) {
    const QImage face = buttonFaceImage();
    EXPECT_EQ(face.size(), QSize(58, 25));
    EXPECT_EQ(face.depth(), 24);
    EXPECT_EQ(buttonFacePixmap().size(), QSize(58, 25));
}

TEST(ButtonFace, GreyBandsRunFromLightAtTheTopToDarkerBelow) {
    const QImage face = buttonFaceImage();
    int previous = 256;
    for (int y = 0; y < 24; ++y) {
        const QColor left = face.pixelColor(0, y);
        EXPECT_EQ(left.red(), left.green()) << "row " << y;
        EXPECT_EQ(left.green(), left.blue()) << "row " << y;
        EXPECT_LE(left.red(), previous) << "row " << y;
        previous = left.red();
        for (int x = 1; x < 57; ++x)
            ASSERT_EQ(face.pixelColor(x, y), left) << "row " << y << " is one band";
    }
    EXPECT_GT(face.pixelColor(0, 0).red(), face.pixelColor(0, 23).red() + 30);
}

TEST(ButtonFace, HasADarkGreyEdgeOnTheRightAndAtTheBottom) {
    const QImage face = buttonFaceImage();
    const QColor edge = face.pixelColor(57, 0);
    EXPECT_LT(edge.red(), face.pixelColor(0, 23).red());
    EXPECT_EQ(edge.red(), edge.blue());
    for (int y = 0; y < 25; ++y)
        EXPECT_EQ(face.pixelColor(57, y), edge) << "right edge row " << y;
    for (int x = 0; x < 58; ++x)
        EXPECT_EQ(face.pixelColor(x, 24), edge) << "bottom edge column " << x;
}

} // namespace
} // namespace dbc

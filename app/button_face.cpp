#include "app/button_face.h"

#include <QColor>
#include <QImage>

namespace dbc {

namespace {

constexpr int kWidth = 58;
constexpr int kHeight = 25;
constexpr int kTopGrey = 252;
constexpr int kBottomGrey = 196;
const QColor kEdge(128, 128, 128);

} // namespace

QImage buttonFaceImage() {
    QImage image(kWidth, kHeight, QImage::Format_RGB888);
    for (int y = 0; y < kHeight; ++y) {
        const int grey = kTopGrey - (kTopGrey - kBottomGrey) * y / (kHeight - 1);
        const QRgb band = qRgb(grey, grey, grey);
        for (int x = 0; x < kWidth; ++x)
            image.setPixel(x, y, band);
    }
    for (int y = 0; y < kHeight; ++y)
        image.setPixel(kWidth - 1, y, kEdge.rgb());
    for (int x = 0; x < kWidth; ++x)
        image.setPixel(x, kHeight - 1, kEdge.rgb());
    return image;
}

QPixmap buttonFacePixmap() {
    return QPixmap::fromImage(buttonFaceImage());
}

} // namespace dbc

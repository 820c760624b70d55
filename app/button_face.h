#pragma once

#include <QImage>
#include <QPixmap>

namespace dbc {

// The picture under the five flat buttons: 58 x 25 pixels, 24-bit, a grey
// gradient in horizontal bands from light at the top to darker at the bottom,
// with a one-pixel dark grey edge on the right and at the bottom.
QImage buttonFaceImage();
QPixmap buttonFacePixmap();

} // namespace dbc

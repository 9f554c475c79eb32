#pragma once

#include "palette.h"

#include <QImage>
#include <QSize>
#include <QString>

namespace kelvara::skin_gen {

constexpr int strip_count = 21;

// Font families the art is lettered in.
struct Fonts {
    QString cjk;   // tab captions and the slogan
    QString latin; // the product name
};

// Width and height of strip i, as the window cuts its cells.
QSize strip_size(int strip);

// Paints strip i of a skin; every pixel is opaque.
QImage paint_strip(const Palette& p, const Fonts& fonts, int strip);

// Resource number of strip i of a skin, also the file's base name.
int resource_number(int skin, int strip);

} // namespace kelvara::skin_gen

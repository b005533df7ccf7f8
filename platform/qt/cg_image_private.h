#pragma once
// The image record behind CGImageRef; only the platform's drawing code sees its toolkit type.
#include <QImage>

struct CGImage {
    QImage image; // premultiplied ARGB32, ready to draw
};

#include "platform/graphics/cg_image.h"

#include "platform/qt/cg_image_private.h"

#include <QString>

CGImageRef CGImageCreateWithContentsOfFile(const char* path) {
    if (!path || !*path) return nullptr;
    QImage decoded;
    if (!decoded.load(QString::fromLocal8Bit(path)) || decoded.isNull()) return nullptr;
    auto* image = new CGImage;
    image->image = decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return image;
}

void CGImageRelease(CGImageRef image) {
    delete image;
}

std::size_t CGImageGetWidth(CGImageRef image) {
    return image ? static_cast<std::size_t>(image->image.width()) : 0;
}

std::size_t CGImageGetHeight(CGImageRef image) {
    return image ? static_cast<std::size_t>(image->image.height()) : 0;
}

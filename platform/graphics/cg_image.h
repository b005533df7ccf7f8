#pragma once
// Decoded images for CGContextDrawImage.
#include "platform/graphics/cg_context.h"

#include <cstddef>

// Reads and decodes an image file (PNG and the other formats the toolkit reads without
// plug-ins); null when the file is missing or cannot be decoded.
CGImageRef CGImageCreateWithContentsOfFile(const char* path);
void CGImageRelease(CGImageRef image);
std::size_t CGImageGetWidth(CGImageRef image);
std::size_t CGImageGetHeight(CGImageRef image);

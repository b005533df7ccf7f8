#pragma once
// Font names as the drawing code gives them, turned into toolkit fonts.
#include <QFont>
#include <QString>
#include <QStringList>

namespace vx {

// "Lucida Grande" is a family; "LucidaGrande-Bold" is the PostScript-style name of its bold
// face: the part before "-" gets a blank before each inner capital, the part after names the
// style. A missing face falls back to Liberation Sans (Helvetica's and Arial's metrics), then to
// fontconfig's choice. Sizes are pixels (user-space units), never points.
QFont fontForName(const char* name, int pixelSize);

} // namespace vx

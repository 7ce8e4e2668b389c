// The program's icon, drawn in code so that every size is sharp and no image plugin is needed.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace priomat {

// A small hierarchy: one goal above three criteria, the middle one highlighted. The image needs
// no display, so the build can export it too.
QImage ApplicationImage(int size);
QPixmap ApplicationPixmap(int size);
QIcon ApplicationIcon();

} // namespace priomat

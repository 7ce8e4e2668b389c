// The program's icon, drawn in code so that every size is sharp and no image plugin is needed.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace priomat {

// A small hierarchy: one goal above three criteria, the middle one highlighted.
QPixmap ApplicationPixmap(int size);
QIcon ApplicationIcon();

} // namespace priomat

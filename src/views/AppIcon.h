#pragma once
// The app's icon drawn in code (this Qt has no SVG reader), matching
// data/loopcaster.svg that the desktop uses: a looping arrow around a
// play mark on a rounded tile.

#include <QIcon>

namespace views {

QIcon appIcon();

}

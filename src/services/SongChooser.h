#pragma once
// The batch song choice: for each selected file an ordered song list drawn
// from the library so that, as far as the library allows, the mixes of one
// batch open with different songs and never repeat a list exactly.

#include <QList>
#include <QUrl>

#include <functional>

namespace SongChooser {

// Uniform integer in [0, bound); defaults to QRandomGenerator::system().
using RandomBelow = std::function<quint32(quint32 bound)>;

// One list per file, in file order.
QList<QList<QUrl>> chooseSongLists(const QList<QUrl>& library, int songCount, int fileCount,
                                   const RandomBelow& random = {});

}

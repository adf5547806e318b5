#include "services/SongChooser.h"

#include "services/SettingsService.h"

#include <QRandomGenerator>
#include <QSet>

#include <algorithm>

namespace SongChooser {

namespace {

// Fisher-Yates with one unbiased draw per position, so every order is
// equally likely.
void shuffle(QList<QUrl>& songs, const RandomBelow& random)
{
    quint32 remaining = quint32(songs.size());
    qsizetype i = 0;
    while (remaining > 1) {
        const quint32 r = random(remaining);
        songs.swapItemsAt(i, i + qsizetype(r));
        --remaining;
        ++i;
    }
}

QList<QUrl> without(const QList<QUrl>& library, const auto& excluded)
{
    QList<QUrl> rest;
    for (const QUrl& song : library) {
        if (!excluded.contains(song))
            rest.append(song);
    }
    return rest;
}

QList<QUrl> drawList(const QList<QUrl>& library, int songCount, bool freshOpenings,
                     const QSet<QUrl>& usedOpenings, const RandomBelow& random)
{
    const qsizetype openingCount = std::min(songCount, 3);

    QList<QUrl> pool = freshOpenings ? without(library, usedOpenings) : library;
    if (pool.size() < openingCount)
        pool = library;
    shuffle(pool, random);

    QList<QUrl> list = pool.first(std::min(openingCount, pool.size()));
    // No song repeats inside one mix until the whole library has been used.
    // The songs of the current round are kept in a set, so a long mix from a
    // small library costs time in proportion to its length, not its square.
    QSet<QUrl> thisRound(list.begin(), list.end());
    list.reserve(songCount);
    while (list.size() < songCount) {
        QList<QUrl> fill = without(library, thisRound);
        if (fill.isEmpty()) {
            thisRound.clear();
            fill = library;
        }
        shuffle(fill, random);
        const qsizetype take = std::min(fill.size(), qsizetype(songCount) - list.size());
        for (qsizetype i = 0; i < take; ++i) {
            list.append(fill[i]);
            thisRound.insert(fill[i]);
        }
    }
    return list;
}

} // namespace

QList<QList<QUrl>> chooseSongLists(const QList<QUrl>& library, int songCount, int fileCount,
                                   const RandomBelow& random)
{
    const RandomBelow draw = random ? random : [](quint32 bound) {
        return QRandomGenerator::system()->bounded(bound);
    };

    QList<QList<QUrl>> lists;
    if (fileCount <= 0)
        return lists;
    songCount = std::min(songCount, SettingsService::maxSongCount);
    // Nothing to draw from (or nothing asked for): every file gets an empty
    // list rather than a fill loop that could never finish.
    if (library.isEmpty() || songCount <= 0) {
        lists.resize(fileCount);
        return lists;
    }

    // Retries for a list not drawn before; with few songs there may be only a
    // handful of orders, so the retries are bounded by work, not only count.
    constexpr qsizetype workPerFile = 200'000;
    const int maxAttempts = int(std::clamp<qsizetype>(workPerFile / (songCount + library.size()), 1, 1000));
    QSet<QUrl> usedOpenings;
    QSet<QList<QUrl>> usedLists;
    for (int file = 0; file < fileCount; ++file) {
        QList<QUrl> list;
        for (int attempt = 0; attempt < maxAttempts; ++attempt) {
            list = drawList(library, songCount, attempt == 0, usedOpenings, draw);
            if (!usedLists.contains(list))
                break;
            // Only a handful of distinct orders may exist; the last draw is
            // kept even when it repeats an earlier list.
        }
        for (qsizetype i = 0; i < std::min<qsizetype>(3, list.size()); ++i)
            usedOpenings.insert(list[i]);
        usedLists.insert(list);
        lists.append(list);
    }
    return lists;
}

} // namespace SongChooser

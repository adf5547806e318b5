#include "services/SongChooser.h"

#include <QHash>
#include <QObject>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <limits>

namespace {

QList<QUrl> library(int size)
{
    QList<QUrl> songs;
    for (int i = 0; i < size; ++i)
        songs.append(QUrl::fromLocalFile(QStringLiteral("/music/song%1.mp3").arg(i, 2, 10, QLatin1Char('0'))));
    return songs;
}

SongChooser::RandomBelow seeded(QRandomGenerator& gen)
{
    return [&gen](quint32 bound) { return gen.bounded(bound); };
}

} // namespace

class TestSongChooser : public QObject {
    Q_OBJECT

private slots:
    void freshOpeningsAndDistinctSongs_data();
    void freshOpeningsAndDistinctSongs();
    void smallLibraryFillsFromFreshShuffle_data();
    void smallLibraryFillsFromFreshShuffle();
    void repeatedListRedrawnUpToThousandDraws();
    void shuffleIsUniform();
    void emptyLibraryGivesEmptyLists();
    void hugeSongCountIsBounded_data();
    void hugeSongCountIsBounded();
};

void TestSongChooser::hugeSongCountIsBounded_data()
{
    QTest::addColumn<int>("librarySize");
    QTest::addColumn<int>("files");
    QTest::newRow("one song, many files") << 1 << 10;
    QTest::newRow("three songs") << 3 << 20;
    QTest::newRow("library larger than the cap") << 1500 << 3;
}

// A song count from anywhere (a stored preference, a caller) is capped at the
// bound, and drawing such a list ends: no song repeats before the library is
// used up, however short the library.
void TestSongChooser::hugeSongCountIsBounded()
{
    QFETCH(int, librarySize);
    QFETCH(int, files);
    QRandomGenerator gen(11);
    const QList<QUrl> songs = library(librarySize);
    const auto lists = SongChooser::chooseSongLists(songs, std::numeric_limits<int>::max(), files, seeded(gen));
    QCOMPARE(lists.size(), files);
    for (const QList<QUrl>& list : lists) {
        QCOMPARE(list.size(), 1000);
        const qsizetype round = std::min(librarySize, 1000);
        for (qsizetype start = 0; start + round <= list.size(); start += round)
            QCOMPARE(QSet<QUrl>(list.begin() + start, list.begin() + start + round).size(), round);
    }
}

void TestSongChooser::freshOpeningsAndDistinctSongs_data()
{
    QTest::addColumn<int>("librarySize");
    QTest::addColumn<int>("songCount");
    QTest::addColumn<int>("fileCount");
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : {1u, 2u, 3u}) {
        QTest::addRow("N15 L40 F2 seed%u", seed) << 40 << 15 << 2 << seed;
        QTest::addRow("N4 L12 F4 seed%u", seed) << 12 << 4 << 4 << seed;
        QTest::addRow("N2 L9 F4 seed%u", seed) << 9 << 2 << 4 << seed;
        QTest::addRow("N3 L30 F10 seed%u", seed) << 30 << 3 << 10 << seed;
    }
}

void TestSongChooser::freshOpeningsAndDistinctSongs()
{
    QFETCH(int, librarySize);
    QFETCH(int, songCount);
    QFETCH(int, fileCount);
    QFETCH(quint32, seed);

    QRandomGenerator gen(seed);
    const QList<QUrl> songs = library(librarySize);
    const auto lists = SongChooser::chooseSongLists(songs, songCount, fileCount, seeded(gen));
    QCOMPARE(lists.size(), fileCount);

    // Every library here holds enough songs for a fresh opening per file.
    QSet<QUrl> openings;
    QSet<QList<QUrl>> seen;
    for (const auto& list : lists) {
        QCOMPARE(list.size(), songCount);
        QCOMPARE(QSet<QUrl>(list.begin(), list.end()).size(), songCount);
        for (const QUrl& song : list)
            QVERIFY(songs.contains(song));
        const int opening = std::min(songCount, 3);
        for (int i = 0; i < opening; ++i) {
            QVERIFY2(!openings.contains(list[i]), qPrintable(list[i].toString()));
            openings.insert(list[i]);
        }
        QVERIFY(!seen.contains(list));
        seen.insert(list);
    }
}

void TestSongChooser::smallLibraryFillsFromFreshShuffle_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : {7u, 8u, 9u, 10u})
        QTest::addRow("seed%u", seed) << seed;
}

void TestSongChooser::smallLibraryFillsFromFreshShuffle()
{
    QFETCH(quint32, seed);
    QRandomGenerator gen(seed);
    const QList<QUrl> songs = library(3);
    const QSet<QUrl> all(songs.begin(), songs.end());
    const auto lists = SongChooser::chooseSongLists(songs, 5, 3, seeded(gen));
    QCOMPARE(lists.size(), 3);
    for (const auto& list : lists) {
        QCOMPARE(list.size(), 5);
        QCOMPARE(QSet<QUrl>(list.begin(), list.begin() + 3), all);
        QVERIFY(list[3] != list[4]);
    }
}

void TestSongChooser::repeatedListRedrawnUpToThousandDraws()
{
    const QList<QUrl> songs = library(2);
    // First file keeps the library order, the second swaps it; after that
    // only repeats are possible.
    QRandomGenerator gen(5);
    int draws = 0;
    auto random = [&](quint32 bound) -> quint32 {
        ++draws;
        if (draws == 1)
            return 0;
        if (draws == 2)
            return 1;
        return gen.bounded(bound);
    };
    const auto lists = SongChooser::chooseSongLists(songs, 2, 3, random);
    QCOMPARE(lists.size(), 3);
    QCOMPARE(lists[0], (QList<QUrl> {songs[0], songs[1]}));
    QCOMPARE(lists[1], (QList<QUrl> {songs[1], songs[0]}));
    QVERIFY(lists[2] == lists[0] || lists[2] == lists[1]);
    QCOMPARE(draws, 2 + 1000);
}

void TestSongChooser::shuffleIsUniform()
{
    // One list of all three songs per draw: each of the six orders should
    // come up about equally often (a biased shuffle skews them by far more).
    QRandomGenerator gen(42);
    const QList<QUrl> songs = library(3);
    QHash<QList<QUrl>, int> counts;
    const int rounds = 6000;
    for (int i = 0; i < rounds; ++i)
        ++counts[SongChooser::chooseSongLists(songs, 3, 1, seeded(gen)).first()];
    QCOMPARE(counts.size(), 6);
    for (int count : std::as_const(counts))
        QVERIFY2(count > 850 && count < 1150, qPrintable(QString::number(count)));
}

void TestSongChooser::emptyLibraryGivesEmptyLists()
{
    const auto lists = SongChooser::chooseSongLists({}, 15, 2);
    QCOMPARE(lists.size(), 2);
    QVERIFY(lists[0].isEmpty() && lists[1].isEmpty());
}

QTEST_GUILESS_MAIN(TestSongChooser)
#include "test_song_chooser.moc"

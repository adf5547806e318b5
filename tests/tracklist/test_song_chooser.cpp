// The song draw itself: bounded lists from any library and an unbiased
// shuffle. (The batch rules, fresh openings and no repeated list, are checked
// through DashboardViewModel::startProcessing.)

#include "services/SongChooser.h"

#include <QHash>
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
    void hugeSongCountIsBounded_data()
    {
        QTest::addColumn<int>("librarySize");
        QTest::addColumn<int>("files");
        QTest::newRow("empty library") << 0 << 2;
        QTest::newRow("three songs") << 3 << 20;
        QTest::newRow("library larger than the cap") << 1500 << 3;
    }
    // A song count from anywhere (a stored preference, a caller) is capped at
    // the bound, and drawing such a list ends: each pass over a short library
    // is a fresh shuffle, so no song repeats before the library is used up.
    void hugeSongCountIsBounded()
    {
        QFETCH(int, librarySize);
        QFETCH(int, files);
        QRandomGenerator gen(11);
        const QList<QUrl> songs = library(librarySize);
        const auto lists = SongChooser::chooseSongLists(songs, std::numeric_limits<int>::max(), files, seeded(gen));
        QCOMPARE(lists.size(), files);
        for (const QList<QUrl>& list : lists) {
            QCOMPARE(list.size(), librarySize ? 1000 : 0);
            const qsizetype round = std::min(librarySize, 1000);
            for (qsizetype start = 0; start + round <= list.size() && round; start += round)
                QCOMPARE(QSet<QUrl>(list.begin() + start, list.begin() + start + round).size(), round);
        }
    }

    void shuffleIsUniform()
    {
        // One list of all three songs per draw: each of the six orders should
        // come up about equally often (a biased shuffle skews them by far more).
        QRandomGenerator gen(42);
        const QList<QUrl> songs = library(3);
        QHash<QList<QUrl>, int> counts;
        for (int i = 0; i < 6000; ++i)
            ++counts[SongChooser::chooseSongLists(songs, 3, 1, seeded(gen)).first()];
        QCOMPARE(counts.size(), 6);
        for (int count : std::as_const(counts))
            QVERIFY2(count > 850 && count < 1150, qPrintable(QString::number(count)));
    }
};

QTEST_GUILESS_MAIN(TestSongChooser)
#include "test_song_chooser.moc"

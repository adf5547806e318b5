// The tracklist beside the movie: its name, and its lines with their time stamps.

#include "services/TracklistWriter.h"
#include "media/audio/MixPlan.h"

#include <QTest>

using Frames = QList<qint64>; // per song; 0 = no audio (skipped)

class TestTracklist : public QObject {
    Q_OBJECT

private slots:
    void tracklistURL_data()
    {
        QTest::addColumn<QString>("movie");
        QTest::addColumn<QString>("tracklist");
        QTest::newRow("dotted name") << "/out/a.b_mix_1.mp4" << "/out/a.b_mix_1.txt";
        QTest::newRow("no extension, dotted folder") << "/out.d/movie" << "/out.d/movie.txt";
    }
    void tracklistURL()
    {
        QFETCH(QString, movie);
        QFETCH(QString, tracklist);
        QCOMPARE(TracklistWriter::tracklistURL(QUrl::fromLocalFile(movie)).toLocalFile(), tracklist);
    }

    void tracklistTextFromPlan_data()
    {
        QTest::addColumn<Frames>("frames");
        QTest::addColumn<double>("crossfade");
        QTest::addColumn<QString>("text");
        // One sample short of 60 s minus the crossfade must not round up to the
        // next second; a skipped song has no line and takes no time.
        QTest::newRow("sample before boundary")
            << Frames {61 * 44100 - 1, 10 * 44100} << 1.0 << "00:00 - 01 Intro\n00:59 - Café\n";
        QTest::newRow("skipped middle") << Frames {44100 * 3600, 0, 44100} << 0.0
                                        << "00:00 - 01 Intro\n01:00:00 - a.b\n";
        QTest::newRow("hour boundary") << Frames {44100 * 3599, 44100, 44100} << 0.0
                                       << "00:00 - 01 Intro\n59:59 - Café\n01:00:00 - a.b\n";
        QTest::newRow("hundred hours") << Frames {44100LL * 360125, 44100} << 0.0 << "00:00 - 01 Intro\n100:02:05 - Café\n";
        QTest::newRow("newline in a name") << Frames {0, 0, 0, 44100} << 0.0 << "00:00 - Song 00:30 - Injected\n";
    }
    void tracklistTextFromPlan()
    {
        QFETCH(Frames, frames);
        QFETCH(double, crossfade);
        QFETCH(QString, text);
        const QStringList paths {"/music/01 Intro.m4a", "/music/Café.mp3", "/music/a.b.flac",
                                 "/music/Song\n00:30 - Injected.mp3"};
        lc::media::MixPlanBuilder builder(int(frames.size()), crossfade);
        for (int i = 0; i < frames.size(); ++i)
            builder.add(i, paths[i], {frames[i] > 0, frames[i], {}, {}, {}});
        QCOMPARE(TracklistWriter::tracklistText(builder.plan()), text);
    }
};

QTEST_GUILESS_MAIN(TestTracklist)
#include "test_tracklist.moc"

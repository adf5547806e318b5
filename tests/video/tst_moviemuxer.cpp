// The movie muxer never leaves a partial file and never harms an existing one.

#include "TestTools.h"

#include "media/common/MediaError.h"
#include "media/mux/MovieMuxer.h"
#include "media/video/StillImageSource.h"

#include <QDir>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace lc::media;

class TestMovieMuxer : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_image;

private slots:
    void initTestCase()
    {
        m_image = m_dir.filePath("cover.png");
        QVERIFY(testtools::makeImage(m_image, 64, 48));
    }

    // An earlier movie of the same name stays as it was until the new one is
    // committed, and a run abandoned at any stage leaves nothing behind.
    void replacesTheOutputOnlyOnCommit_data()
    {
        QTest::addColumn<int>("stage");
        QTest::newRow("abandoned when created") << 0;
        QTest::newRow("abandoned after the header") << 1;
        QTest::newRow("abandoned after packets") << 2;
        QTest::newRow("committed") << 3;
    }
    void replacesTheOutputOnlyOnCommit()
    {
        QFETCH(int, stage);
        QTemporaryDir out;
        const QString output = out.filePath("movie.mp4");
        const QByteArray oldMovie = "an earlier movie the user still has";
        QVERIFY(testtools::writeFile(output, oldMovie));
        auto source = openStillImage(m_image, MediaTime::fromSeconds(1), nullptr);
        {
            MovieMuxer muxer(output);
            QVERIFY(QFile::exists(muxer.temporaryPath()));
            QCOMPARE(QFileInfo(muxer.temporaryPath()).absolutePath(), QFileInfo(output).absolutePath());
            source->configureStream(muxer.addStream());
            if (stage >= 1)
                muxer.writeHeader();
            PacketPtr pkt = makePacket();
            for (int i = 0; stage >= 2 && (i < 10 || stage == 3) && source->nextPacket(pkt.get()); ++i)
                muxer.writePacket(pkt.get(), 0, source->timeBase());
            if (stage == 3)
                muxer.commit();
        }
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList {"movie.mp4"});
        if (stage < 3) {
            QCOMPARE(testtools::readFile(output), oldMovie);
        } else {
            const QJsonObject format = testtools::probe(output).value("format").toObject();
            QCOMPARE(format.value("format_name").toString(), QStringLiteral("mov,mp4,m4a,3gp,3g2,mj2"));
            QCOMPARE(format.value("duration").toString().toDouble(), 1.0);
        }
    }
};

QTEST_GUILESS_MAIN(TestMovieMuxer)
#include "tst_moviemuxer.moc"

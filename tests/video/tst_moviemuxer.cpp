// The movie muxer never leaves a partial file and never harms an existing one.

#include "TestTools.h"

#include "media/common/MediaError.h"
#include "media/mux/MovieMuxer.h"
#include "media/video/StillImageSource.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace lc::media;

namespace {
const QByteArray kOldMovie = "an earlier movie the user still has";
}

class TestMovieMuxer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void abandonedRunLeavesNoTrace_data();
    void abandonedRunLeavesNoTrace();
    void commitReplacesTheOutput();

private:
    QTemporaryDir m_dir;
    QString m_image;
};

void TestMovieMuxer::initTestCase()
{
    m_image = m_dir.filePath("cover.png");
    QVERIFY(testtools::makeImage(m_image, 64, 48));
}

void TestMovieMuxer::abandonedRunLeavesNoTrace_data()
{
    QTest::addColumn<int>("stage");
    QTest::newRow("created") << 0;
    QTest::newRow("header written") << 1;
    QTest::newRow("packets written") << 2;
}

void TestMovieMuxer::abandonedRunLeavesNoTrace()
{
    QFETCH(int, stage);
    QTemporaryDir out;
    const QString output = out.filePath("movie.mp4");
    QVERIFY(testtools::writeFile(output, kOldMovie));
    auto source = openStillImage(m_image, MediaTime::fromSeconds(1), nullptr);
    {
        MovieMuxer muxer(output);
        QVERIFY(QFile::exists(muxer.temporaryPath()));
        QCOMPARE(QFileInfo(muxer.temporaryPath()).absolutePath(), QFileInfo(output).absolutePath());
        source->configureStream(muxer.addStream());
        if (stage >= 1)
            muxer.writeHeader();
        if (stage >= 2) {
            PacketPtr pkt = makePacket();
            for (int i = 0; i < 10 && source->nextPacket(pkt.get()); ++i)
                muxer.writePacket(pkt.get(), 0, source->timeBase());
        }
    }
    QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList {"movie.mp4"});
    QCOMPARE(testtools::readFile(output), kOldMovie);
}

void TestMovieMuxer::commitReplacesTheOutput()
{
    QTemporaryDir out;
    const QString output = out.filePath("movie.mp4");
    QVERIFY(testtools::writeFile(output, kOldMovie));
    auto source = openStillImage(m_image, MediaTime::fromSeconds(1), nullptr);
    MovieMuxer muxer(output);
    source->configureStream(muxer.addStream());
    muxer.writeHeader();
    PacketPtr pkt = makePacket();
    while (source->nextPacket(pkt.get()))
        muxer.writePacket(pkt.get(), 0, source->timeBase());
    muxer.commit();

    QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList {"movie.mp4"});
    const QJsonObject format = testtools::probe(output).value("format").toObject();
    QCOMPARE(format.value("format_name").toString(), QStringLiteral("mov,mp4,m4a,3gp,3g2,mj2"));
    QCOMPARE(format.value("duration").toString().toDouble(), 1.0);
}

QTEST_GUILESS_MAIN(TestMovieMuxer)
#include "tst_moviemuxer.moc"

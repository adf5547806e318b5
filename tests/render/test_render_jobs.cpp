// Fan-out: a batch planned as job lines and rendered one job per process
// gives exactly the movies of one process rendering the whole plan.

#include "TestTools.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

testtools::ToolResult render(const QStringList& args)
{
    return testtools::run(QStringLiteral(LOOPCASTER_RENDER_BIN), args, 180000);
}

// File name -> content hash of everything in a folder.
QMap<QString, QByteArray> contents(const QString& folder)
{
    QMap<QString, QByteArray> out;
    for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files)) {
        QFile f(info.absoluteFilePath());
        if (f.open(QIODevice::ReadOnly))
            out[info.fileName()] = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
    }
    return out;
}

} // namespace

class TestRenderJobs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir().mkpath(m_dir.filePath("playlist")));
        QString e;
        const QList<std::pair<const char*, double>> songs {{"one.wav", 2}, {"two.flac", 3}, {"three.mp3", 2.5}};
        for (const auto& [name, seconds] : songs)
            QVERIFY2(testtools::makeTone(m_dir.filePath("playlist/") + name, seconds, 300 + 100 * seconds, 44100,
                                         {}, &e),
                     qPrintable(e));
        QVERIFY2(testtools::makeClip(m_dir.filePath("a.mp4"), 1, 160, 120, 25,
                                     {"-c:v", "libx264", "-bf", "2", "-pix_fmt", "yuv420p"}, &e),
                 qPrintable(e));
        QVERIFY(QFile::copy(m_dir.filePath("a.mp4"), m_dir.filePath("b.mp4")));
    }

    void planRenderedInPiecesEqualsOneProcess()
    {
        const QString out = m_dir.filePath("out");
        const QStringList planArgs {"--plan", "2", "--playlist", m_dir.filePath("playlist"), "--seed", "42",
                                    "--crossfade", "0.5", "--out", out, m_dir.filePath("a.mp4"),
                                    m_dir.filePath("b.mp4")};
        const auto plan = render(planArgs);
        QVERIFY2(plan.ok(), plan.err.constData());
        const QStringList lines = QString::fromUtf8(plan.out).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);

        // The seed fixes the draw (output names carry the planning second).
        const auto again = render(planArgs);
        const QStringList linesAgain = QString::fromUtf8(again.out).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(linesAgain.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QJsonObject a = QJsonDocument::fromJson(lines[i].toUtf8()).object();
            QJsonObject b = QJsonDocument::fromJson(linesAgain[i].toUtf8()).object();
            a.remove("output"), b.remove("output");
            QCOMPARE(a, b);
            QCOMPARE(a["crossfade"].toDouble(), 0.5);
        }

        for (const QString& line : lines) {
            const auto r = render({"--job", line});
            QVERIFY2(r.ok(), r.err.constData());
        }
        const QMap<QString, QByteArray> pieces = contents(out);
        QCOMPARE(pieces.size(), 4); // two movies, two tracklists

        QVERIFY(QDir(out).removeRecursively());
        QFile jobs(m_dir.filePath("jobs.jsonl"));
        QVERIFY(jobs.open(QIODevice::WriteOnly));
        jobs.write(plan.out);
        jobs.close();
        const auto whole = render({"--jobs", jobs.fileName()});
        QVERIFY2(whole.ok(), whole.err.constData());
        QCOMPARE(contents(out), pieces);
    }

    void badJobLinesAreRefused_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("not json") << "clip.mp4 song.mp3";
        QTest::newRow("relative source") << R"({"source":"a.mp4","songs":["/s.wav"],"crossfade":3,"output":"/o.mp4"})";
        QTest::newRow("no songs") << R"({"source":"/a.mp4","songs":[],"crossfade":3,"output":"/o.mp4"})";
        QTest::newRow("crossfade not a number")
            << R"({"source":"/a.mp4","songs":["/s.wav"],"crossfade":"nan","output":"/o.mp4"})";
        QTest::newRow("crossfade huge") << R"({"source":"/a.mp4","songs":["/s.wav"],"crossfade":1e300,"output":"/o.mp4"})";
    }
    void badJobLinesAreRefused()
    {
        QFETCH(QString, line);
        const auto r = render({"--job", line});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.startsWith("error: "));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestRenderJobs)
#include "test_render_jobs.moc"

// The checks before a render: sources the loop cannot copy into an MP4 and
// outputs it cannot write are refused at once, in words, before any song is
// mixed; good inputs pass and a missing output folder is created.

#include "services/RunPreflight.h"

#include "TestTools.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TestRunPreflight : public QObject {
    Q_OBJECT
    QTemporaryDir m_media;

    QString make(const QString& name, const QStringList& ffmpegArgs)
    {
        const QString path = m_media.filePath(name);
        if (!QFileInfo::exists(path) && !ffmpegArgs.isEmpty())
            testtools::ffmpeg(ffmpegArgs + QStringList {path});
        return path;
    }

private slots:
    void sources_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("ffmpeg"); // empty: written by the test
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("refusal");   // start of the message; empty: accepted
        const QStringList pattern {"-f", "lavfi", "-i", "testsrc2=s=64x48:d=0.2"};
        const QStringList tone {"-f", "lavfi", "-i", "sine=d=0.5"};
        QTest::newRow("h264 clip") << "ok.mp4" << pattern + QStringList {"-c:v", "libx264"} << QByteArray() << "";
        QTest::newRow("png image") << "ok.png" << pattern + QStringList {"-frames:v", "1"} << QByteArray() << "";
        QTest::newRow("gif") << "anim.gif" << pattern << QByteArray()
                             << "Unsupported source anim.gif: gif video cannot be copied";
        QTest::newRow("tiff") << "scan.tiff" << pattern + QStringList {"-frames:v", "1"} << QByteArray()
                              << "Unsupported source scan.tiff: tiff video cannot be copied";
        QTest::newRow("prores") << "master.mov" << pattern + QStringList {"-c:v", "prores_ks"} << QByteArray()
                                << "Unsupported source master.mov: prores video cannot be copied";
        QTest::newRow("audio only") << "voice.mp4" << tone << QByteArray()
                                    << "Unsupported source voice.mp4: it has no video";
        QTest::newRow("zero bytes") << "empty.mp4" << QStringList() << QByteArray("") << "Unsupported source empty.mp4:";
        QTest::newRow("text named png") << "notes.png" << QStringList() << QByteArray("hello")
                                        << "Unsupported source notes.png: not a JPEG or PNG image";
        QTest::newRow("PNG header claiming 100000 x 100000")
            << "huge.png" << QStringList()
            << QByteArray::fromHex("89504e470d0a1a0a0000000d49484452000186a0000186a00802000000")
            << "Unsupported source huge.png: the image is too large";
        QTest::newRow("missing") << "gone.mov" << QStringList() << QByteArray() << "Cannot access video file";
    }

    void sources()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, ffmpeg);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, refusal);
        const QString path = make(name, ffmpeg);
        if (!bytes.isNull())
            QVERIFY(testtools::writeFile(path, bytes));
        QTemporaryDir out;
        const auto problem = RunPreflight::check(path, out.filePath("movie.mp4"));
        if (refusal.isEmpty())
            QVERIFY2(!problem, qPrintable(problem.value_or(QString())));
        else
            QVERIFY2(problem && problem->startsWith(refusal), qPrintable(problem.value_or("accepted")));
    }

    void outputs_data()
    {
        QTest::addColumn<QString>("output"); // relative to a temp folder; "!" prefix: taken literally
        QTest::addColumn<QString>("refusal");
        QTest::newRow("folder exists") << "out/m.mp4" << "";
        QTest::newRow("folder missing: created") << "new/deeper/m.mp4" << "";
        QTest::newRow("empty path") << "!" << "Invalid output path";
        QTest::newRow("relative path") << "!out/m.mp4" << "Invalid output path out/m.mp4: not an absolute path";
        QTest::newRow("folder is a file") << "file/m.mp4" << "Cannot write to the output folder";
        QTest::newRow("folder under a file") << "file/sub/m.mp4" << "Cannot create the output folder";
        QTest::newRow("read-only folder") << "locked/m.mp4" << "Cannot write to the output folder";
    }

    void outputs()
    {
        QFETCH(QString, output);
        QFETCH(QString, refusal);
        if (output.startsWith("locked") && ::geteuid() == 0)
            QSKIP("root writes to read-only folders");
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("out"));
        QVERIFY(QDir(dir.path()).mkpath("locked"));
        QVERIFY(QFile::setPermissions(dir.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(testtools::writeFile(dir.filePath("file"), {}));
        const QString path = output.startsWith('!') ? output.mid(1) : dir.filePath(output);
        const QString source = make("ok.mp4", {"-f", "lavfi", "-i", "testsrc2=s=64x48:d=0.2", "-c:v", "libx264"});

        const auto problem = RunPreflight::check(source, path);
        QFile::setPermissions(dir.filePath("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (refusal.isEmpty()) {
            QVERIFY2(!problem, qPrintable(problem.value_or(QString())));
            QVERIFY(QFileInfo(QFileInfo(path).absolutePath()).isDir());
        } else {
            QVERIFY2(problem && problem->startsWith(refusal), qPrintable(problem.value_or("accepted")));
        }
    }
};

QTEST_GUILESS_MAIN(TestRunPreflight)
#include "tst_run_preflight.moc"

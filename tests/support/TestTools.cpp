#include "TestTools.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QVector>

namespace testtools {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && f.open(QIODevice::WriteOnly)
        && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

ToolResult run(const QString& program, const QStringList& args, int timeoutMs)
{
    QProcess p;
    p.start(program, args);
    ToolResult r;
    if (!p.waitForFinished(timeoutMs)) { // also when it did not start
        p.kill();
        p.waitForFinished();
        r.err = (program + ": " + p.errorString()).toUtf8();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

bool ffmpeg(const QStringList& args, QString* error)
{
    const ToolResult r = run("ffmpeg", QStringList {"-y", "-hide_banner", "-nostdin", "-loglevel", "error"} + args,
                             600000);
    if (!r.ok()) {
        qWarning().noquote() << "ffmpeg" << args.join(' ') << "failed:" << r.err;
        if (error)
            *error = QString::fromUtf8(r.err);
    }
    return r.ok();
}

QJsonObject probe(const QString& path)
{
    const ToolResult r = run("ffprobe", {"-v", "error", "-show_format", "-show_streams", "-of", "json", path});
    return QJsonDocument::fromJson(r.out).object();
}

QJsonObject probePackets(const QString& path, const QString& streamSelector)
{
    const ToolResult r = run("ffprobe", {"-v", "error", "-select_streams", streamSelector, "-show_packets",
                                         "-show_entries", "packet=pts,dts,duration,flags,pts_time,dts_time,duration_time,size",
                                         "-of", "json", path});
    return QJsonDocument::fromJson(r.out).object();
}

bool makeTone(const QString& path, double seconds, double frequency, int sampleRate,
              const QStringList& extraArgs, QString* error)
{
    const QString tone = QStringLiteral("sine=frequency=%1:sample_rate=%2:duration=%3")
                             .arg(frequency).arg(sampleRate).arg(seconds, 0, 'f', 6);
    return ffmpeg(QStringList {"-f", "lavfi", "-i", tone, "-ac", "2"} + extraArgs + QStringList {path}, error);
}

bool makeClip(const QString& path, double seconds, int w, int h, int fps,
              const QStringList& extraArgs, QString* error)
{
    const QString pattern = QStringLiteral("testsrc2=size=%1x%2:rate=%3:duration=%4")
                                .arg(w).arg(h).arg(fps).arg(seconds, 0, 'f', 6);
    return ffmpeg(QStringList {"-f", "lavfi", "-i", pattern} + extraArgs + QStringList {path}, error);
}

bool makeImage(const QString& path, int w, int h, QString* error)
{
    return makeClip(path, 1, w, h, 1, {"-frames:v", "1"}, error);
}

QString decodeErrors(const QString& path, const QString& streamSelector)
{
    QStringList args {"-hide_banner", "-nostdin", "-v", "error", "-i", path};
    if (!streamSelector.isEmpty())
        args << "-map" << ("0:" + streamSelector);
    args << "-f" << "null" << "-";
    const ToolResult r = run("ffmpeg", args, 600000);
    QString text = QString::fromUtf8(r.err).trimmed();
    if (!r.ok() && text.isEmpty())
        text = QStringLiteral("ffmpeg exited with %1").arg(r.exitCode);
    return text;
}

QVector<float> decodeAudio(const QString& path, int sampleRate, int channels)
{
    const ToolResult r = run("ffmpeg", {"-hide_banner", "-nostdin", "-v", "error", "-i", path, "-map", "0:a:0",
                                        "-f", "f32le", "-ar", QString::number(sampleRate), "-ac",
                                        QString::number(channels), "-"},
                             600000);
    QVector<float> samples(r.out.size() / int(sizeof(float)));
    memcpy(samples.data(), r.out.constData(), size_t(samples.size()) * sizeof(float));
    return samples;
}

} // namespace testtools

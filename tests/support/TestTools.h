#pragma once
// Shared helpers for tests: read and write small files, run the
// ffmpeg/ffprobe command-line tools (as independent checkers and to generate
// media), read ffprobe's JSON.

#include <QJsonObject>
#include <QStringList>

namespace testtools {

struct ToolResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    bool ok() const { return exitCode == 0; }
};

// Writes `bytes` to `path` (creating missing parent folders); false on any
// failure, so callers can QVERIFY it.
bool writeFile(const QString& path, const QByteArray& bytes);
// The whole file, or an empty array when it cannot be read.
QByteArray readFile(const QString& path);

// Runs a program and waits (timeout in ms).
ToolResult run(const QString& program, const QStringList& args, int timeoutMs = 120000);

// ffmpeg -y -hide_banner -loglevel error <args>; returns ok, and on failure
// logs ffmpeg's error output, so callers need only QVERIFY the result.
bool ffmpeg(const QStringList& args, QString* error = nullptr);

// ffprobe -show_format -show_streams -of json <path>
QJsonObject probe(const QString& path);
// Same with -show_packets for one stream selector (e.g. "v:0").
QJsonObject probePackets(const QString& path, const QString& streamSelector);

// Generators (return false and fill *error on failure).
// A sine tone; `extraArgs` go before the output (codec, bitrate, ...).
bool makeTone(const QString& path, double seconds, double frequency = 440, int sampleRate = 44100,
              const QStringList& extraArgs = {}, QString* error = nullptr);
// A test-pattern clip (testsrc2) of w x h at fps; extraArgs select codec etc.
bool makeClip(const QString& path, double seconds, int w, int h, int fps,
              const QStringList& extraArgs = {}, QString* error = nullptr);
// A test-pattern still image (format from the extension).
bool makeImage(const QString& path, int w, int h, QString* error = nullptr);

// Decodes a stream to null and returns ffmpeg's stderr at "error" level
// (empty when the stream decodes cleanly).
QString decodeErrors(const QString& path, const QString& streamSelector = {});

// Decodes audio to 44.1 kHz stereo float32 and returns the interleaved samples.
QVector<float> decodeAudio(const QString& path, int sampleRate = 44100, int channels = 2);

} // namespace testtools

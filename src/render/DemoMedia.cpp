#include "render/DemoMedia.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

void appendLE16(QByteArray& b, quint16 v)
{
    char raw[2];
    qToLittleEndian(v, raw);
    b.append(raw, 2);
}

void appendLE32(QByteArray& b, quint32 v)
{
    char raw[4];
    qToLittleEndian(v, raw);
    b.append(raw, 4);
}

QByteArray wavHeader(quint32 dataBytes, int sampleRate, int channels)
{
    QByteArray h;
    h.append("RIFF");
    appendLE32(h, 36 + dataBytes);
    h.append("WAVEfmt ");
    appendLE32(h, 16);          // PCM fmt chunk size
    appendLE16(h, 1);           // PCM
    appendLE16(h, quint16(channels));
    appendLE32(h, quint32(sampleRate));
    appendLE32(h, quint32(sampleRate * channels * 2));
    appendLE16(h, quint16(channels * 2));
    appendLE16(h, 16);
    h.append("data");
    appendLE32(h, dataBytes);
    return h;
}

} // namespace

bool writeToneWav(const QString& path, double seconds, double rootHz, int sampleRate)
{
    constexpr int channels = 2;
    const qint64 frames = qint64(std::llround(seconds * sampleRate));
    const double twoPi = 2 * std::numbers::pi;
    const double fade = std::min(0.5, seconds / 4);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(wavHeader(quint32(frames * channels * 2), sampleRate, channels));

    // Root, major third and fifth; the third sits a little to the left and
    // the fifth to the right so the stereo image is audible.
    const double third = rootHz * 1.25, fifth = rootHz * 1.5;
    QByteArray chunk;
    chunk.reserve(4096 * channels * 2);
    for (qint64 i = 0; i < frames; ++i) {
        const double t = double(i) / sampleRate;
        const double envelope = std::min({1.0, t / fade, (seconds - t) / fade});
        const double tremolo = 0.85 + 0.15 * std::sin(twoPi * 0.5 * t);
        const double root = std::sin(twoPi * rootHz * t);
        const double a = std::sin(twoPi * third * t), b = std::sin(twoPi * fifth * t);
        const double gain = 0.22 * envelope * tremolo;
        const double left = gain * (root + 0.8 * a + 0.4 * b);
        const double right = gain * (root + 0.4 * a + 0.8 * b);
        for (double v : {left, right})
            appendLE16(chunk, quint16(qint16(std::lround(std::clamp(v, -1.0, 1.0) * 32767))));
        if (chunk.size() >= 4096 * channels * 2) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
    return file.commit();
}

bool writeTestPattern(const QString& path, int width, int height, const QString& caption)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // Colour bars over the top half.
    const QList<QColor> bars {QColor(191, 191, 191), QColor(191, 191, 0), QColor(0, 191, 191),
                              QColor(0, 191, 0),     QColor(191, 0, 191), QColor(191, 0, 0),
                              QColor(0, 0, 191)};
    const int barsHeight = height / 2;
    for (qsizetype i = 0; i < bars.size(); ++i) {
        const int x0 = int(i * width / bars.size());
        const int x1 = int((i + 1) * width / bars.size());
        p.fillRect(x0, 0, x1 - x0, barsHeight, bars[i]);
    }

    // A grey ramp and a hue sweep below, to show banding and colour handling.
    const int rampHeight = height / 8;
    QLinearGradient grey(0, 0, width, 0);
    grey.setColorAt(0, Qt::black);
    grey.setColorAt(1, Qt::white);
    p.fillRect(0, barsHeight, width, rampHeight, grey);
    QLinearGradient hue(0, 0, width, 0);
    for (int i = 0; i <= 6; ++i)
        hue.setColorAt(i / 6.0, QColor::fromHsvF(std::fmod(i / 6.0, 1.0), 1, 1));
    p.fillRect(0, barsHeight + rampHeight, width, rampHeight, hue);

    // A dark lower band with a soft glow behind the caption.
    const QRect band(0, barsHeight + 2 * rampHeight, width, height - barsHeight - 2 * rampHeight);
    QRadialGradient glow(band.center(), width / 2.0);
    glow.setColorAt(0, QColor(40, 60, 110));
    glow.setColorAt(1, QColor(10, 10, 20));
    p.fillRect(band, glow);

    QFont font;
    font.setPixelSize(std::max(12, band.height() / 3));
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(band, Qt::AlignCenter, caption);
    p.end();

    return image.save(path, "PNG");
}

std::optional<DemoInputs> writeDemoInputs(const QString& folder)
{
    const QDir dir(folder);
    DemoInputs inputs;
    inputs.image = dir.filePath(QStringLiteral("Loopcaster Demo.png"));
    if (!writeTestPattern(inputs.image, 1280, 720, QStringLiteral("Loopcaster Demo  1280x720")))
        return std::nullopt;

    struct Tone {
        const char* title;
        double rootHz;
        double seconds;
    };
    const Tone tones[] = {{"01 Low Chord", 220.0, 9.0}, {"02 Middle Chord", 293.66, 8.5},
                          {"03 High Chord", 392.0, 10.0}};
    for (const Tone& tone : tones) {
        const QString song = dir.filePath(QString::fromLatin1(tone.title) + QStringLiteral(".wav"));
        if (!writeToneWav(song, tone.seconds, tone.rootHz))
            return std::nullopt;
        inputs.songs.append(song);
    }
    return inputs;
}

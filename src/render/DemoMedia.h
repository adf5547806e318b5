#pragma once
// Inputs for `--demo`, made by our own code so the demo needs nothing but the
// program: short stereo tones as WAV files and a test-pattern picture.
// The picture needs a QGuiApplication (fonts), which may run offscreen.

#include <QString>
#include <QStringList>

#include <optional>

// 16-bit stereo PCM WAV of a soft chord on `rootHz` with short fades, so the
// crossfades between songs are easy to hear. False when the file cannot be written.
bool writeToneWav(const QString& path, double seconds, double rootHz, int sampleRate = 44100);

// Colour bars, gradients and a caption at `width` x `height`, saved as PNG.
bool writeTestPattern(const QString& path, int width, int height, const QString& caption);

struct DemoInputs {
    QString image;
    QStringList songs;
};

// Three tones of different pitches and a 1280x720 pattern in `folder`.
// Nothing when a file could not be written.
std::optional<DemoInputs> writeDemoInputs(const QString& folder);

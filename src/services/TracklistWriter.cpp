#include "services/TracklistWriter.h"


#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

namespace TracklistWriter {

QString formatTimestamp(double seconds)
{
    // Truncation of a NaN or out-of-range value is undefined; such a time can
    // only come from a broken duration, so it is pinned to a printable range.
    if (!std::isfinite(seconds))
        seconds = 0;
    constexpr double limit = std::numeric_limits<int>::max();
    seconds = std::clamp(seconds, -limit, limit);

    const int s = static_cast<int>(std::trunc(seconds));
    // C++ division and remainder truncate toward zero, so a negative time
    // prints each field with its own minus sign ("-1:-5" for -65 s).
    if (s < 3600)
        return QString::asprintf("%02d:%02d", (s % 3600) / 60, s % 60);
    return QString::asprintf("%02d:%02d:%02d", s / 3600, (s % 3600) / 60, s % 60);
}

QUrl tracklistURL(const QUrl& outputURL)
{
    const QString path = outputURL.toLocalFile();
    const QFileInfo info(path);
    QString stem = path;
    if (!info.suffix().isEmpty())
        stem.chop(info.suffix().size() + 1);
    return QUrl::fromLocalFile(stem + QStringLiteral(".txt"));
}

namespace {

QString cleaned(QString title)
{
    for (QChar& c : title) {
        const auto kind = c.category();
        if (kind == QChar::Other_Control || kind == QChar::Separator_Line || kind == QChar::Separator_Paragraph)
            c = QLatin1Char(' ');
    }
    return title;
}

}

QString songTitle(const QString& path)
{
    return cleaned(QFileInfo(path).completeBaseName());
}

QString songTitle(const lc::media::MixEntry& entry, bool fromTags)
{
    const QString title = fromTags ? cleaned(entry.title).trimmed() : QString();
    if (title.isEmpty())
        return songTitle(entry.path);
    const QString artist = cleaned(entry.artist).trimmed();
    return artist.isEmpty() ? title : artist + QStringLiteral(" \u2013 ") + title;
}

QString tracklistText(const lc::media::MixPlan& plan, bool titlesFromTags)
{
    QString text;
    for (const lc::media::MixEntry& e : plan.entries) {
        // Whole seconds from the start sample by integer division, so a song
        // starting one sample before a second boundary is not rounded up.
        const int64_t sample = e.start.rescaled(lc::media::kMixSampleRate);
        text += formatTimestamp(double(sample / lc::media::kMixSampleRate)) + QStringLiteral(" - ")
            + songTitle(e, titlesFromTags) + QLatin1Char('\n');
    }
    return text;
}

} // namespace TracklistWriter

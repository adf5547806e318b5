#include "media/audio/MixPlan.h"

#include <QFileInfo>

namespace lc::media {

MixPlanBuilder::MixPlanBuilder(int songCount, double crossfadeSeconds)
    : m_count(songCount)
{
    m_plan.crossfade = MediaTime::fromSeconds(crossfadeSeconds);
    m_plan.total = MediaTime::zero();
    m_cursor = MediaTime::zero();
}

QString MixPlanBuilder::add(int position, const QString& path, const SongMeasurement& m)
{
    const QString name = QFileInfo(path).fileName();
    if (!m.hasAudio) {
        // A skipped file keeps its list position but takes no time in the mix.
        m_lastSkipped = true;
        return QStringLiteral("⚠️ Skipping ") + name + QStringLiteral(" — no audio track");
    }
    m_lastSkipped = false;

    MixEntry e;
    e.position = position;
    e.path = path;
    e.frames = m.frames;
    e.start = m_cursor;
    e.track = position % 2 == 0 ? 'A' : 'B';
    e.fadeIn = position != 0;
    e.fadeOut = position < m_count - 1;

    const QString line = QStringLiteral("[RemuxWorker] #") + QString::number(position) + QLatin1Char(' ') + name
        + QStringLiteral(" → ") + QLatin1Char(e.track) + QStringLiteral(" insert@") + m_cursor.toString();

    m_cursor = e.fadeOut ? e.end() - m_plan.crossfade : e.end();
    m_plan.entries.append(e);
    m_plan.total = m_cursor;
    return line;
}

} // namespace lc::media

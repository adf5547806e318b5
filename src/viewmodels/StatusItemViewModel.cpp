#include "viewmodels/StatusItemViewModel.h"

#include "services/JobService.h"
#include "services/ThermalService.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

StatusItemViewModel::StatusItemViewModel(JobService& jobService, ThermalService& thermalService, QObject* parent)
    : QObject(parent)
    , m_jobService(jobService)
    , m_thermalService(thermalService)
{
    connect(&m_jobService, &JobService::isQueuePausedChanged, this, &StatusItemViewModel::pauseTitleChanged);
    connect(&m_jobService, &JobService::isProcessingChanged, this, &StatusItemViewModel::labelChanged);
    connect(&m_thermalService, &ThermalService::thermalColorChanged, this, &StatusItemViewModel::labelChanged);
}

QString StatusItemViewModel::pauseTitleFor(bool queuePaused)
{
    return queuePaused ? QStringLiteral("Resume Queue") : QStringLiteral("Pause Queue");
}

bool StatusItemViewModel::isPaused() const
{
    return m_jobService.isQueuePaused();
}

bool StatusItemViewModel::isProcessing() const
{
    return m_jobService.isProcessing();
}

QColor StatusItemViewModel::thermalColor() const
{
    return m_thermalService.thermalColor();
}

QString StatusItemViewModel::statusText() const
{
    return m_jobService.isProcessing() ? QStringLiteral("rendering") : QStringLiteral("not running");
}

QImage StatusItemViewModel::labelImage() const
{
    constexpr qreal scale = 2.0;
    constexpr int dotFrame = 14;
    constexpr int spacing = 6;
    QFont font;
    font.setPointSizeF(11);
    const QFontMetrics metrics(font);
    const int textWidth = metrics.horizontalAdvance(statusText());
    const int height = qMax(dotFrame, metrics.height());
    const QSize logical(dotFrame + spacing + textWidth, height);

    QImage image(logical * scale, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal dot = dotFrame * 0.8;
    const QRectF dotRect((dotFrame - dot) / 2, (height - dot) / 2, dot, dot);
    p.setPen(Qt::NoPen);
    p.setBrush(m_thermalService.thermalColor());
    p.drawEllipse(dotRect);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(dotFrame + spacing, 0, textWidth, height), Qt::AlignVCenter | Qt::AlignLeft, statusText());
    return image;
}

void StatusItemViewModel::togglePause()
{
    m_jobService.togglePause();
}

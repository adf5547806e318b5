#include "services/RenderError.h"

QString RenderError::errorDescription() const
{
    switch (m_kind) {
    case Kind::compositionFailed:
        return QStringLiteral("Composition error: ") + m_message;
    case Kind::exportFailed:
        return QStringLiteral("Export error: ") + m_message;
    case Kind::cancelled:
        return QStringLiteral("Remux cancelled");
    }
    return {};
}

#include "services/updates/Appcast.h"

#include <QXmlStreamReader>

namespace Appcast {

namespace {

struct Draft {
    QString version;
    QString link;
};

// The parts of one <item> that name its version and where to get it.
void readItem(QXmlStreamReader& xml, Draft& draft)
{
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        if (name == QLatin1String("enclosure")) {
            const auto attrs = xml.attributes();
            for (const auto& attr : attrs) {
                // The build number is what orders releases; the short
                // version string is only a fallback.
                if (attr.name() == QLatin1String("version")
                    || (attr.name() == QLatin1String("shortVersionString") && draft.version.isEmpty()))
                    draft.version = attr.value().toString().trimmed();
                else if (attr.name() == QLatin1String("url") && draft.link.isEmpty())
                    draft.link = attr.value().toString().trimmed();
            }
            xml.skipCurrentElement();
        } else if (name == QLatin1String("version") || name == QLatin1String("shortVersionString")) {
            const QString text = xml.readElementText().trimmed();
            if (draft.version.isEmpty() || name == QLatin1String("version"))
                draft.version = text;
        } else if (name == QLatin1String("link")) {
            // A page link is kept only when no download was named.
            const QString text = xml.readElementText().trimmed();
            if (draft.link.isEmpty())
                draft.link = text;
        } else {
            xml.skipCurrentElement();
        }
    }
}

} // namespace

Result<AppcastItem> newestItem(const QByteArray& feed)
{
    QXmlStreamReader xml(feed);
    std::optional<AppcastItem> newest;
    int items = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != QLatin1String("item"))
            continue;
        ++items;
        Draft draft;
        readItem(xml, draft);
        const QVersionNumber version = QVersionNumber::fromString(draft.version);
        if (version.isNull())
            continue;
        if (!newest || version > newest->version)
            newest = AppcastItem {version, draft.version, QUrl(draft.link)};
    }
    if (xml.hasError())
        return Failure(QStringLiteral("The update feed is not valid XML (line %1: %2).")
                           .arg(xml.lineNumber())
                           .arg(xml.errorString()));
    if (!newest)
        return Failure(items == 0 ? QStringLiteral("The update feed lists no releases.")
                                  : QStringLiteral("The update feed names no version for its releases."));
    return *newest;
}

} // namespace Appcast

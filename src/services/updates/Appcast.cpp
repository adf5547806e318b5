#include "services/updates/Appcast.h"

#include <QCoreApplication>
#include <QXmlStreamReader>

namespace Appcast {

namespace {

struct Draft {
    QString shortVersion; // what people see
    QString build;        // sparkle:version or <version>: used only without the above
    QString link;

    QString version() const { return shortVersion.isEmpty() ? build : shortVersion; }
};

// The parts of one <item> that name its version and where to get it.
void readItem(QXmlStreamReader& xml, Draft& draft)
{
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        if (name == QLatin1String("enclosure")) {
            const auto attrs = xml.attributes();
            for (const auto& attr : attrs) {
                if (attr.name() == QLatin1String("version"))
                    draft.build = attr.value().toString().trimmed();
                else if (attr.name() == QLatin1String("shortVersionString"))
                    draft.shortVersion = attr.value().toString().trimmed();
                else if (attr.name() == QLatin1String("url") && draft.link.isEmpty())
                    draft.link = attr.value().toString().trimmed();
            }
            xml.skipCurrentElement();
        } else if (name == QLatin1String("version")) {
            draft.build = xml.readElementText().trimmed();
        } else if (name == QLatin1String("shortVersionString")) {
            draft.shortVersion = xml.readElementText().trimmed();
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
        const auto version = ReleaseVersion::parse(draft.version());
        if (!version)
            continue;
        if (!newest || compare(*version, newest->version) > 0)
            newest = AppcastItem {*version, draft.version(), QUrl(draft.link)};
    }
    if (xml.hasError())
        return Failure(QCoreApplication::translate("Appcast", "The update feed is not valid XML (line %1: %2).")
                           .arg(xml.lineNumber())
                           .arg(xml.errorString()));
    if (!newest)
        return Failure(items == 0 ? QCoreApplication::translate("Appcast", "The update feed lists no releases.")
                                  : QCoreApplication::translate("Appcast", "The update feed names no version for its releases."));
    return *newest;
}

} // namespace Appcast

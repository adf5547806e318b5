#pragma once
// Reading an update feed: an RSS appcast whose items carry their version in
// an enclosure attribute (sparkle:version / sparkle:shortVersionString) or a
// version element, or a plain feed of <item><version/><link/></item>. The
// newest item wins, whatever order the feed lists them in. Releases are
// ordered by the version people see (the short version string where there is
// one), never by a build number, and an item whose version is not a plain
// version number is passed over.

#include "services/updates/ReleaseVersion.h"

#include "platform/Result.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

struct AppcastItem {
    ReleaseVersion version;
    QString versionText; // as the feed spells it, for the user
    QUrl link;           // download or release page
};

namespace Appcast {

// The newest item, or why the feed is unusable.
Result<AppcastItem> newestItem(const QByteArray& feed);

}

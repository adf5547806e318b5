#pragma once
// Reading an update feed: an RSS appcast whose items carry their version in
// an enclosure attribute (sparkle:version / sparkle:shortVersionString) or a
// version element, or a plain feed of <item><version/><link/></item>. The
// newest item wins, whatever order the feed lists them in.

#include "platform/Result.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QVersionNumber>

struct AppcastItem {
    QVersionNumber version;
    QString versionText; // as the feed spells it, for the user
    QUrl link;           // download or release page
};

namespace Appcast {

// The newest item, or why the feed is unusable.
Result<AppcastItem> newestItem(const QByteArray& feed);

}

#include "platform/Bookmark.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QIODevice>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

namespace Bookmark {

namespace {

constexpr quint32 kMagic = 0x4C43424D; // "LCBM"
// Version 2 adds the file's size and modification time; version 1 blobs are
// still read, but without them a file is only found at its own path.
constexpr quint16 kVersion = 2;
constexpr quint16 kPathAndInodeVersion = 1;
// Pinned so a blob written by one Qt release reads back under another.
constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_0;

struct Identity {
    quint64 dev = 0;
    quint64 ino = 0;
    qint64 size = -1; // unknown in a version 1 blob
    qint64 mtimeNs = -1;

    bool sameInode(const Identity& o) const { return dev == o.dev && ino == o.ino; }
    // File systems hand a deleted file's inode to the next new file at once,
    // so an inode alone does not say it is still the file the user chose.
    bool sameFile(const Identity& o) const
    {
        return sameInode(o) && size >= 0 && size == o.size && mtimeNs == o.mtimeNs;
    }
};

bool identityOf(const QString& path, Identity* out)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    out->dev = static_cast<quint64>(st.st_dev);
    out->ino = static_cast<quint64>(st.st_ino);
    out->size = static_cast<qint64>(st.st_size);
    out->mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

// A file moved or renamed inside its folder keeps its device and inode; look
// for them among the folder's entries, in name order so hard links resolve
// the same way every time.
QString findInFolder(const QString& folder, const Identity& wanted)
{
    const QByteArray encoded = QFile::encodeName(folder);
    DIR* dir = ::opendir(encoded.constData());
    if (!dir)
        return {};
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        // d_ino is not trusted: on overlay file systems it can differ from
        // what stat() reports, so every entry is compared by stat below.
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const QString candidate = folder + QLatin1Char('/') + QFile::decodeName(name.c_str());
        Identity id;
        if (identityOf(candidate, &id) && id.sameFile(wanted))
            return candidate;
    }
    return {};
}

} // namespace

Result<QByteArray> create(const QUrl& url)
{
    if (!url.isLocalFile())
        return Failure(QStringLiteral("Not a local file: %1").arg(url.toString()));
    const QString path = QDir::cleanPath(QFileInfo(url.toLocalFile()).absoluteFilePath());
    Identity id;
    if (!identityOf(path, &id))
        return Failure(QStringLiteral("No such file: %1").arg(path));

    QByteArray blob;
    QDataStream stream(&blob, QIODevice::WriteOnly);
    stream.setVersion(kStreamVersion);
    stream << kMagic << kVersion << path << id.dev << id.ino << id.size << id.mtimeNs;
    if (stream.status() != QDataStream::Ok)
        return Failure(QStringLiteral("Could not write bookmark for %1").arg(path));
    return blob;
}

Result<Resolved> resolve(const QByteArray& data)
{
    if (data.isEmpty())
        return Failure(QStringLiteral("Bookmark data is empty"));

    QDataStream stream(data);
    stream.setVersion(kStreamVersion);
    quint32 magic = 0;
    quint16 version = 0;
    stream >> magic >> version;
    if (stream.status() != QDataStream::Ok || magic != kMagic)
        return Failure(QStringLiteral("Bookmark data is corrupt"));
    if (version != kVersion && version != kPathAndInodeVersion)
        return Failure(QStringLiteral("Unsupported bookmark version %1").arg(version));

    QString path;
    Identity saved;
    stream >> path >> saved.dev >> saved.ino;
    if (version == kVersion)
        stream >> saved.size >> saved.mtimeNs;
    if (stream.status() != QDataStream::Ok || !stream.atEnd() || path.isEmpty()
        || !QDir::isAbsolutePath(path))
        return Failure(QStringLiteral("Bookmark data is corrupt"));

    Identity now;
    if (identityOf(path, &now)) {
        // Same path, different inode: the file was replaced (saved over by a
        // new copy). The path is still what the user chose.
        return Resolved {QUrl::fromLocalFile(path), !now.sameInode(saved)};
    }

    const QString moved = findInFolder(QFileInfo(path).path(), saved);
    if (!moved.isEmpty()) {
        return Resolved {QUrl::fromLocalFile(moved), true};
    }
    return Failure(QStringLiteral("No such file: %1").arg(path));
}

} // namespace Bookmark

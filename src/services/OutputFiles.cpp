#include "services/OutputFiles.h"

#include "services/MixOutputName.h"
#include "services/RenderError.h"
#include "services/TracklistWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace OutputFiles {

namespace {

QString errnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// Saving is the export's last step, so its failures read as the export's.
Failure<QString> exportFailure(const QString& why)
{
    return Failure(RenderError::exportFailed(why).errorDescription());
}

// rename(2) without replacing: a hard link fails with EEXIST when the name is
// taken. File systems without hard links (FAT, some network mounts) fall back
// to renameat2's no-replace flag, and where that is missing too, to a rename
// right after the existence check.
int moveNoReplace(const QByteArray& from, const QByteArray& to)
{
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return 0;
    }
    if (errno == EEXIST)
        return EEXIST;
#ifdef SYS_renameat2
    constexpr unsigned kNoReplace = 1; // RENAME_NOREPLACE
    if (::syscall(SYS_renameat2, AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), kNoReplace) == 0)
        return 0;
    if (errno == EEXIST)
        return EEXIST;
#endif
    if (QFileInfo::exists(QFile::decodeName(to)))
        return EEXIST;
    return std::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

} // namespace

QString stagingPathFor(const QString& moviePath)
{
    const QFileInfo info(moviePath);
    constexpr quint32 kSixLetters = 2176782336u; // 36^6
    const QString suffix = QString::number(QRandomGenerator::global()->bounded(kSixLetters), 36)
                               .rightJustified(6, QLatin1Char('0'));
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.') + suffix
        + QStringLiteral(".part");
}

Result<QString> commit(const QString& stagingPath, const QString& moviePath, const QString& tracklistText,
                       const QSet<QString>& reserved)
{
    const auto taken = [&reserved](const QString& p) { return reserved.contains(p) || isOutputNameOnDisk(p); };
    QString target = nextFreeOutputPath(moviePath, taken);
    for (;;) {
        const int err = moveNoReplace(QFile::encodeName(stagingPath), QFile::encodeName(target));
        if (err == 0)
            break;
        if (err != EEXIST) {
            QFile::remove(stagingPath);
            return exportFailure(QStringLiteral("cannot save the movie %1: %2")
                                     .arg(QFileInfo(target).fileName(), errnoText(err)));
        }
        // Someone created the name since the check: take the next one.
        target = nextFreeOutputPath(target, [&](const QString& p) { return p == target || taken(p); });
    }

    const QString tracklistPath = TracklistWriter::tracklistURL(QUrl::fromLocalFile(target)).toLocalFile();
    QSaveFile file(tracklistPath);
    const QByteArray bytes = tracklistText.toUtf8();
    // Unbuffered, so a full disk fails the write itself: a buffered QSaveFile
    // loses the error of its final flush and commits an empty file.
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(bytes) == bytes.size()
        && file.commit();
    if (!written) {
        const QString why = file.errorString();
        file.cancelWriting();
        QFile::remove(target); // a movie without its tracklist is not a finished job
        return exportFailure(QStringLiteral("cannot write the tracklist %1: %2")
                                 .arg(QFileInfo(tracklistPath).fileName(), why));
    }
    return target;
}

bool isCommitted(const QString& moviePath)
{
    return QFileInfo::exists(moviePath)
        && QFileInfo::exists(TracklistWriter::tracklistURL(QUrl::fromLocalFile(moviePath)).toLocalFile());
}

// ".<name>.<random>.part", and the "..<name>.<random>.part.<random>.part" an
// earlier release's muxer made inside its staging movie. The random parts hold no dot, so each form leaves
// one name to look up, whatever the folder holds.
QMultiHash<QString, QString> findTemporaries(const QStringList& moviePaths)
{
    QHash<QString, QHash<QString, QString>> moviesByFolder; // folder -> file name -> movie path as given
    for (const QString& moviePath : moviePaths) {
        const QFileInfo info(moviePath);
        if (!info.fileName().isEmpty())
            moviesByFolder[info.absolutePath()].insert(info.fileName(), moviePath);
    }
    const QRegularExpression forms[] = {
        QRegularExpression(QStringLiteral("^\\.(.+)\\.[0-9a-z]+\\.part$")),
        QRegularExpression(QStringLiteral("^\\.\\.(.+)\\.[0-9a-z]+\\.part$")),
        QRegularExpression(QStringLiteral("^\\.\\.?(.+)\\.[0-9a-z]+\\.part\\.[0-9a-z]+\\.part$")),
    };
    QMultiHash<QString, QString> found;
    for (auto it = moviesByFolder.cbegin(); it != moviesByFolder.cend(); ++it) {
        const QDir dir(it.key());
        const QStringList hidden =
            dir.entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
        for (const QString& entry : hidden) {
            for (const QRegularExpression& form : forms) {
                const QString movie = it.value().value(form.match(entry).captured(1));
                if (!movie.isEmpty()) {
                    found.insert(movie, dir.filePath(entry));
                    break;
                }
            }
        }
    }
    return found;
}

int removeTemporaries(const QString& moviePath)
{
    int removed = 0;
    for (const QString& temporary : findTemporaries({moviePath}))
        removed += QFile::remove(temporary) ? 1 : 0;
    return removed;
}

} // namespace OutputFiles

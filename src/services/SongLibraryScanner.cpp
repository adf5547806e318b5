#include "services/SongLibraryScanner.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QFile>
#include <QLocale>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace SongLibraryScanner {

namespace {

struct Walker {
    std::vector<std::string> extensions; // lower-case, UTF-8
    std::string canonicalRoot;           // links must resolve inside it
    const std::atomic<bool>* stop = nullptr;
    std::set<std::pair<dev_t, ino_t>> visitedDirs;
    std::vector<std::string> found;      // full paths, in enumeration order
    std::vector<size_t> nameOffsets;     // where the file name starts in each path

    bool hasSongExtension(const char* name) const
    {
        const char* dot = std::strrchr(name, '.');
        if (!dot || dot[1] == '\0')
            return false;
        std::string ext(dot + 1);
        for (char& c : ext) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return std::find(extensions.begin(), extensions.end(), ext) != extensions.end();
    }

    bool isInsideRoot(const std::string& path) const
    {
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (!resolved)
            return false; // dangling link or a loop the kernel gave up on
        const std::string target(resolved);
        std::free(resolved);
        if (canonicalRoot == "/" || target == canonicalRoot)
            return true;
        return target.size() > canonicalRoot.size() && target.compare(0, canonicalRoot.size(), canonicalRoot) == 0
            && target[canonicalRoot.size()] == '/';
    }

    // A song we may not read would only be skipped in the mix it is drawn
    // for, taking the place of one that plays, so it is not offered at all.
    static bool isReadableSong(const std::string& path)
    {
        return ::access(path.c_str(), R_OK) == 0;
    }

    // Depth first, entries in byte order of their names, so the enumeration
    // order (which decides ties in the final sort) is the same on every run
    // and every file system.
    void walk(const std::string& dirPath)
    {
        if (stop && stop->load(std::memory_order_relaxed))
            return;
        DIR* dir = ::opendir(dirPath.c_str());
        if (!dir)
            return; // unreadable folders are skipped silently
        struct stat dirStat {};
        // Symlinked folders are followed, but each folder is read only once,
        // which also cuts symlink loops.
        if (::fstat(::dirfd(dir), &dirStat) != 0
            || !visitedDirs.emplace(dirStat.st_dev, dirStat.st_ino).second) {
            ::closedir(dir);
            return;
        }

        struct Entry {
            std::string name;
            unsigned char type;
        };
        std::vector<Entry> entries;
        while (const dirent* e = ::readdir(dir)) {
            if (e->d_name[0] == '.')
                continue; // hidden files and folders, and "." / ".."
            entries.push_back({ e->d_name, e->d_type });
        }
        ::closedir(dir);
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.name < b.name; });

        for (const Entry& entry : entries) {
            const std::string path =
                dirPath.back() == '/' ? dirPath + entry.name : dirPath + '/' + entry.name;
            bool isDir = entry.type == DT_DIR;
            bool isFile = entry.type == DT_REG;
            if (entry.type == DT_LNK || entry.type == DT_UNKNOWN) {
                struct stat st {};
                if (::lstat(path.c_str(), &st) != 0)
                    continue; // vanished entry
                if (S_ISLNK(st.st_mode) && !isInsideRoot(path))
                    continue;
                if (::stat(path.c_str(), &st) != 0)
                    continue; // dangling link or vanished entry
                isDir = S_ISDIR(st.st_mode);
                isFile = S_ISREG(st.st_mode);
            }
            if (isDir) {
                walk(path);
            } else if (isFile && hasSongExtension(entry.name.c_str()) && isReadableSong(path)) {
                found.push_back(path);
                nameOffsets.push_back(path.size() - entry.name.size());
            }
        }
    }
};

// The POSIX "C" locale (usual in minimal systems and containers) has no
// collation rules; Qt then compares code points case-sensitively, which would
// put "Zed" before "alpha". The language-neutral order is what people expect.
QCollator songCollator()
{
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

} // namespace

QList<QUrl> scan(const QString& folder, const QSet<QString>& extensions, const std::atomic<bool>* stop)
{
    Walker walker;
    walker.stop = stop;
    for (const QString& ext : extensions)
        walker.extensions.push_back(ext.toLower().toStdString());

    QByteArray root = QFile::encodeName(folder);
    while (root.size() > 1 && root.endsWith('/'))
        root.chop(1);
    if (root.isEmpty())
        return {};
    char* canonical = ::realpath(root.constData(), nullptr);
    if (!canonical)
        return {};
    walker.canonicalRoot = canonical;
    std::free(canonical);
    walker.walk(root.toStdString());
    if (stop && stop->load())
        return {};

    const size_t count = walker.found.size();
    // One collation key per name, then cheap key comparisons during the sort.
    const QCollator collator = songCollator();
    std::vector<QCollatorSortKey> keys;
    keys.reserve(count);
    for (size_t i = 0; i < count; ++i)
        keys.push_back(collator.sortKey(QFile::decodeName(walker.found[i].c_str() + walker.nameOffsets[i])));

    std::vector<size_t> order(count);
    std::iota(order.begin(), order.end(), size_t { 0 });
    std::stable_sort(order.begin(), order.end(),
                     [&keys](size_t a, size_t b) { return keys[a].compare(keys[b]) < 0; });

    QList<QUrl> songs;
    songs.reserve(static_cast<qsizetype>(count));
    for (size_t index : order)
        songs.append(QUrl::fromLocalFile(QFile::decodeName(walker.found[index].c_str())));
    return songs;
}

} // namespace SongLibraryScanner

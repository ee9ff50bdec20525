// Project facilities: the container suffix, the recent-projects list and cover pictures read from
// containers with libzip.
#include "KSProject.h"

#include "KSBaseLog.h"
#include "KSConfigEngine.h"

#include <zip.h>

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QStringList>

namespace {

const int kUserDevice = 1;
const int kMaxRecent = 50;
const QString kRecentGroup = QStringLiteral("RecentProjects");
const QString kRecentKey = QStringLiteral("Paths");

// A cover is a small picture; the cap keeps a damaged or hostile container from making us allocate
// whatever size its directory claims.
const zip_uint64_t kMaxCoverBytes = 64 * 1024 * 1024;

QString comparable(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

class KSProjectRecentManager : public IKSProjectRecentManager
{
public:
    ~KSProjectRecentManager() override { qDeleteAll(m_entries); }

    QList<KSProjectRecentInfo *> recentProjects() const override
    {
        QMutexLocker lock(&m_mutex);
        ensureLoaded();
        return m_entries;
    }

    KSProjectRecentInfo *addRecentProject(const QString &path) override
    {
        if (path.isEmpty())
            return nullptr;
        QMutexLocker lock(&m_mutex);
        ensureLoaded();
        const int at = indexOf(path);
        // An entry already listed keeps its object, and with it the ids the caller set on it.
        KSProjectRecentInfo *entry = at >= 0 ? m_entries.takeAt(at) : new KSProjectRecentInfo(path);
        m_entries.prepend(entry);
        while (m_entries.size() > kMaxRecent)
            delete m_entries.takeLast();
        store();
        return entry;
    }

    void removeRecentProject(const QString &path) override
    {
        QMutexLocker lock(&m_mutex);
        ensureLoaded();
        const int at = indexOf(path);
        if (at < 0)
            return;
        delete m_entries.takeAt(at);
        store();
    }

    KSProjectRecentInfo *find(const QString &path) const override
    {
        QMutexLocker lock(&m_mutex);
        ensureLoaded();
        const int at = indexOf(path);
        return at >= 0 ? m_entries.at(at) : nullptr;
    }

private:
    int indexOf(const QString &path) const
    {
        const QString wanted = comparable(path);
        for (int i = 0; i < m_entries.size(); ++i) {
            if (comparable(m_entries.at(i)->getPath()) == wanted)
                return i;
        }
        return -1;
    }

    // The host root can change while the process runs (tests, a second profile); the list follows
    // the configuration file of the current root rather than the one seen first.
    void ensureLoaded() const
    {
        KSConfigEngine *config = KSConfigEngine::instance();
        const QString file = config->fileOf(kUserDevice);
        if (file == m_loadedFrom)
            return;
        qDeleteAll(m_entries);
        m_entries.clear();
        const QStringList paths = config->getValue(kUserDevice, kRecentGroup, kRecentKey).toStringList();
        for (const QString &path : paths) {
            if (m_entries.size() == kMaxRecent)
                break;
            if (!path.isEmpty() && indexOf(path) < 0)
                m_entries.append(new KSProjectRecentInfo(path));
        }
        m_loadedFrom = file;
    }

    // Only the paths are kept: file and task ids belong to this run's transfers.
    void store()
    {
        QStringList paths;
        paths.reserve(m_entries.size());
        for (const KSProjectRecentInfo *entry : qAsConst(m_entries))
            paths.append(entry->getPath());
        KSConfigEngine::instance()->setValue(kUserDevice, kRecentGroup, kRecentKey, paths);
    }

    mutable QMutex m_mutex;
    mutable QList<KSProjectRecentInfo *> m_entries;
    mutable QString m_loadedFrom;
};

// The entry's bytes, or empty when it cannot be read whole.
QByteArray readEntry(zip_t *archive, zip_uint64_t index)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) || stat.size > kMaxCoverBytes)
        return QByteArray();
    zip_file_t *file = zip_fopen_index(archive, index, 0);
    if (!file)
        return QByteArray();
    QByteArray data(int(stat.size), Qt::Uninitialized);
    zip_int64_t done = 0;
    while (done < zip_int64_t(stat.size)) {
        const zip_int64_t got = zip_fread(file, data.data() + done, stat.size - zip_uint64_t(done));
        if (got <= 0)
            break;
        done += got;
    }
    // A failed checksum shows up only at close.
    const bool ok = zip_fclose(file) == 0 && done == zip_int64_t(stat.size);
    return ok ? data : QByteArray();
}

} // namespace

QString KSProjectSuffixHelper::archiveFileSuffix()
{
    return QStringLiteral("vqp");
}

KSProjectRecentInfo::KSProjectRecentInfo(const QString &path)
    : m_path(path)
{ }

IKSProjectRecentManager::~IKSProjectRecentManager() = default;

IKSProjectRecentManager *IKSProjectRecentManager::getInstance()
{
    // Never destroyed: callers keep entry pointers and may ask while static objects go away.
    static IKSProjectRecentManager *const manager = new KSProjectRecentManager;
    return manager;
}

QImage IKSProject::getThumbnail(const QString &projectPath)
{
    static const char *const names[] = {
        "ProjectFolder/Timeline/thumb.fsthumb",
        "ProjectFolder/Anon/Cover/thumb.fsthumb",
        "Thumbnail.png",
    };
    if (projectPath.isEmpty())
        return QImage();
    int code = 0;
    zip_t *archive = zip_open(QFile::encodeName(projectPath).constData(), ZIP_RDONLY, &code);
    if (!archive)
        return QImage();
    QImage image;
    for (const char *name : names) {
        const zip_int64_t index = zip_name_locate(archive, name, 0);
        if (index < 0)
            continue;
        image = QImage::fromData(readEntry(archive, zip_uint64_t(index)));
        if (image.isNull())
            KSLOG_WARN("project %s: unreadable cover %s", qUtf8Printable(projectPath), name);
        break;
    }
    // Read-only: discarding never writes, unlike zip_close.
    zip_discard(archive);
    return image;
}

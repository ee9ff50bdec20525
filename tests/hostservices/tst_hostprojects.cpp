// The recent-projects list and the cover pictures of project containers.
#include "IKSAppInfo.h"
#include "KSProject.h"
#include "KSZip.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>

class TestHostProjects : public QObject
{
    Q_OBJECT

private slots:
    void recentProjects();
    void thumbnails();
};

namespace {

QStringList pathsOf(const QList<KSProjectRecentInfo *> &entries)
{
    QStringList paths;
    for (const KSProjectRecentInfo *entry : entries)
        paths << entry->getPath();
    return paths;
}

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
}

QByteArray png(QRgb color)
{
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(color);
    QByteArray data;
    QBuffer buffer(&data);
    image.save(&buffer, "PNG");
    return data;
}

} // namespace

void TestHostProjects::recentProjects()
{
    QTemporaryDir first;
    QTemporaryDir second;
    KSHostPaths::setRoot(first.path());
    IKSProjectRecentManager *recent = IKSProjectRecentManager::getInstance();
    QVERIFY(recent->recentProjects().isEmpty());

    recent->addRecentProject("/p/a.vqp");
    recent->addRecentProject("/p/b.vqp");
    KSProjectRecentInfo *c = recent->addRecentProject("/p/c.vqp");
    c->setFileId("file-c");
    c->setTaskId("task-c");
    // Listed again: moved first, the same entry with the ids set on it.
    QCOMPARE(recent->addRecentProject("/p/c.vqp"), c);
    QCOMPARE(c->fileId(), QString("file-c"));
    KSProjectRecentInfo *a = recent->addRecentProject("/p/a.vqp");
    QCOMPARE(pathsOf(recent->recentProjects()), (QStringList{"/p/a.vqp", "/p/c.vqp", "/p/b.vqp"}));
    QCOMPARE(recent->find("/p/a.vqp"), a);
    QVERIFY(!recent->find("/p/d.vqp"));
    recent->removeRecentProject("/p/c.vqp");
    recent->removeRecentProject("/p/never.vqp");
    QCOMPARE(pathsOf(recent->recentProjects()), (QStringList{"/p/a.vqp", "/p/b.vqp"}));

    // The list belongs to the host root: another root has its own, and coming back reads the
    // stored one, without this run's ids.
    KSHostPaths::setRoot(second.path());
    QVERIFY(recent->recentProjects().isEmpty());
    recent->addRecentProject("/q/only.vqp")->setFileId("kept in memory");
    KSHostPaths::setRoot(first.path());
    QCOMPARE(pathsOf(recent->recentProjects()), (QStringList{"/p/a.vqp", "/p/b.vqp"}));
    KSHostPaths::setRoot(second.path());
    QCOMPARE(recent->find("/q/only.vqp")->fileId(), QString());

    // Several threads at once, past the cap: the newest 50, each once.
    std::vector<std::unique_ptr<QThread>> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back(QThread::create([recent, t]() {
            for (int i = 0; i < 20; ++i) {
                recent->addRecentProject(QString("/r/%1-%2.vqp").arg(t).arg(i));
                recent->find("/q/only.vqp");
            }
        }));
        threads.back()->start();
    }
    for (auto &thread : threads)
        QVERIFY(thread->wait(30000));
    const QStringList capped = pathsOf(recent->recentProjects());
    QCOMPARE(capped.size(), 50);
    QCOMPARE(QSet<QString>(capped.begin(), capped.end()).size(), 50);
    QVERIFY(!capped.contains("/q/only.vqp"));
    // Each thread's entries, most recent first: its newest ones, none skipped.
    for (int t = 0; t < 4; ++t) {
        const QStringList own = capped.filter(QString("/r/%1-").arg(t));
        for (int k = 0; k < own.size(); ++k)
            QCOMPARE(own.at(k), QString("/r/%1-%2.vqp").arg(t).arg(19 - k));
    }
    // Stored capped: read back after a visit to the other root.
    KSHostPaths::setRoot(first.path());
    QCOMPARE(recent->recentProjects().size(), 2);
    KSHostPaths::setRoot(second.path());
    QCOMPARE(pathsOf(recent->recentProjects()), capped);
}

void TestHostProjects::thumbnails()
{
    QTemporaryDir dir;
    const QString timeline = "ProjectFolder/Timeline/thumb.fsthumb";
    const QString cover = "ProjectFolder/Anon/Cover/thumb.fsthumb";
    const QString shot = "Thumbnail.png";
    const QHash<QString, QRgb> colours
        = {{timeline, qRgb(255, 0, 0)}, {cover, qRgb(0, 255, 0)}, {shot, qRgb(0, 0, 255)}};
    // The entries of each container, and the one whose picture comes out.
    const QVector<QPair<QStringList, QString>> cases = {
        {{shot, cover, timeline}, timeline},
        {{shot, cover}, cover},
        {{shot}, shot},
        {{"ProjectFolder/project.xml"}, QString()},
    };
    for (int i = 0; i < cases.size(); ++i) {
        const QString folder = dir.filePath(QString("project%1").arg(i));
        for (const QString &entry : cases.at(i).first)
            writeFile(folder + "/" + entry, colours.contains(entry) ? png(colours.value(entry)) : "<project/>");
        const QString container = folder + ".vqp";
        QVERIFY(KSQuaZip::CompressDirWithUTF8(container, folder));
        const QImage image = IKSProject::getThumbnail(container);
        QCOMPARE(image.isNull(), cases.at(i).second.isEmpty());
        QVERIFY(image.isNull() || image.pixel(3, 2) == colours.value(cases.at(i).second));
    }
    // A folder or a file that is no zip has no cover, nor has a missing file.
    writeFile(dir.filePath("fake.vqp"), png(qRgb(255, 0, 0)));
    QVERIFY(IKSProject::getThumbnail(dir.filePath("fake.vqp")).isNull());
    QVERIFY(IKSProject::getThumbnail(dir.filePath("project0")).isNull());
    QVERIFY(IKSProject::getThumbnail(dir.filePath("missing.vqp")).isNull());
}

QTEST_GUILESS_MAIN(TestHostProjects)
#include "tst_hostprojects.moc"

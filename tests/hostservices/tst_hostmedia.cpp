// Media information, frames, and zip packing and unpacking. Media files are made here with the
// ffmpeg tool; hostile archives with libzip.
#include "IKSAppInfo.h"
#include "KSBaseLog.h"
#include "KSLocalMediaItem.h"
#include "KSZip.h"

#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <zip.h>

#include <sys/stat.h>

#include <memory>

class TestHostMedia : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KSHostPaths::setRoot(m_root.path()); }
    void init() { m_dir.reset(new QTemporaryDir); }
    void media();
    void zipRoundTrip();
    void zipHostile();
    void zipDamaged();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QTemporaryDir m_root;
    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

// Empty when ffmpeg made the file, else why not.
QString makeMedia(const QString &out, const QStringList &args)
{
    const QString tool = QStandardPaths::findExecutable("ffmpeg");
    if (tool.isEmpty())
        return "the ffmpeg tool is not installed (scripts/install-deps.sh installs it)";
    QProcess process;
    process.start(tool, QStringList{"-nostdin", "-loglevel", "error", "-y"} + args + QStringList{out});
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return "ffmpeg failed for " + out + ": " + QString::fromLocal8Bit(process.readAllStandardError());
    return QString();
}

#define MAKE_MEDIA(out, ...)                                                                                           \
    do {                                                                                                               \
        const QString why = makeMedia(out, QStringList{__VA_ARGS__});                                                  \
        QVERIFY2(why.isEmpty(), qPrintable(why));                                                                      \
    } while (false)

QString summary(const KSMediaInfo &i)
{
    QString text = QString::asprintf("%skind %d, %s%lld frames at %d/%d (%s), %dx%d %s", i.valid ? "" : "invalid ",
        i.streamKind, i.stillPicture ? "still, " : "", i.frameCount, i.fpsNumerator, i.fpsDenominator,
        qPrintable(i.videoFramerate), i.width, i.height, qPrintable(i.videoCodec));
    if (!i.audioCodec.isEmpty() || i.audioChannels || i.audioSampleRate)
        text += QString::asprintf(", %s %d ch %d Hz", qPrintable(i.audioCodec), i.audioChannels, i.audioSampleRate);
    return text;
}

KSMediaInfo infoOf(const QString &file)
{
    std::unique_ptr<IKSLocalMediaItem> item(KSLocalMediaItemFactory::createTempLocalMediaItem(file));
    return item ? item->mediaInfo() : KSMediaInfo();
}

void writeFile(const QString &file, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(data) == data.size());
}

// Relative path -> content ("<dir>" for folders, "-> target" for links) of everything below.
QMap<QString, QByteArray> tree(const QString &folder)
{
    QMap<QString, QByteArray> result;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        const QFileInfo info = it.fileInfo();
        result.insert(QDir(folder).relativeFilePath(file.fileName()),
            info.isSymLink()                     ? "-> " + info.symLinkTarget().toUtf8()
                : info.isDir()                   ? QByteArray("<dir>")
                : file.open(QIODevice::ReadOnly) ? file.readAll()
                                                 : QByteArray("<unreadable>"));
    }
    return result;
}

struct ZipEntry {
    QByteArray name;
    QByteArray data;
    quint32 unixMode = 0;
};

bool writeZip(const QString &file, const QVector<ZipEntry> &entries)
{
    zip_t *archive = zip_open(QFile::encodeName(file).constData(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    if (!archive)
        return false;
    for (const ZipEntry &entry : entries) {
        zip_source_t *source = zip_source_buffer(archive, entry.data.constData(), entry.data.size(), 0);
        const zip_int64_t index = source ? zip_file_add(archive, entry.name.constData(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return false;
        }
        if (entry.unixMode)
            zip_file_set_external_attributes(archive, index, 0, ZIP_OPSYS_UNIX, entry.unixMode << 16);
        // Stored, so that the tests can find and damage the data.
        zip_set_file_compression(archive, index, ZIP_CM_STORE, 0);
    }
    return zip_close(archive) == 0;
}

} // namespace

void TestHostMedia::media()
{
    // Two seconds at 24000/1001 fps whose grey level counts the frames, key frames 10 apart: a frame
    // off by one, or the key frame instead of the frame asked for, shows in the grey.
    MAKE_MEDIA(path("ramp.mp4"), "-f", "lavfi", "-i", "color=c=black:size=64x48:rate=24000/1001,format=yuv420p", "-vf",
        "geq=lum='16+4*N':cb=128:cr=128", "-t", "2", "-c:v", "mpeg4", "-q:v", "1", "-g", "10");
    MAKE_MEDIA(path("tone.wav"), "-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-ar", "22050", "-ac", "2");
    MAKE_MEDIA(path("both.mp4"), "-f", "lavfi", "-i", "testsrc=size=32x24:rate=25", "-f", "lavfi", "-i",
        "sine=frequency=440:sample_rate=48000", "-t", "1", "-c:v", "mpeg4", "-c:a", "aac", "-ac", "1");
    MAKE_MEDIA(path("still.mp4"), "-f", "lavfi", "-i", "color=c=red:size=16x16", "-frames:v", "1", "-c:v", "png");
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QVERIFY(picture.save(path("picture.png")));
    QVERIFY(picture.save(path("photo.dat"), "JPEG")); // told by its content, not its name
    // FFmpeg takes text in a ".nfo" (found beside films) for ANSI art, by the name alone.
    writeFile(path("release.nfo"), "Release notes\nSource: camera\n");

    QCOMPARE(summary(infoOf(path("ramp.mp4"))), QString("kind 1, 48 frames at 24000/1001 (24000/1001), 64x48 mpeg4"));
    QCOMPARE(summary(infoOf(path("tone.wav"))), QString("kind 2, 0 frames at 0/0 (), 0x0 , pcm_s16le 2 ch 22050 Hz"));
    QCOMPARE(
        summary(infoOf(path("both.mp4"))), QString("kind 4, 25 frames at 25/1 (25/1), 32x24 mpeg4, aac 1 ch 48000 Hz"));
    // A single picture in a video container is a still, though not a picture file.
    QCOMPARE(summary(infoOf(path("still.mp4"))), QString("kind 1, still, 1 frames at 25/1 (25/1), 16x16 png"));
    QCOMPARE(summary(infoOf(path("picture.png"))), QString("kind 8, still, 1 frames at 0/0 (), 40x30 png"));
    QCOMPARE(summary(infoOf(path("photo.dat"))), QString("kind 8, still, 1 frames at 0/0 (), 40x30 mjpeg"));
    const KSMediaInfo ramp = infoOf(path("ramp.mp4"));
    const KSMediaInfo tone = infoOf(path("tone.wav"));
    QVERIFY2(qAbs(ramp.durationMs - 2000) <= 50 && qAbs(tone.durationMs - 1000) <= 20,
        qPrintable(QString("%1 and %2 ms").arg(ramp.durationMs).arg(tone.durationMs)));
    QVERIFY(ramp.videoBitrate > 0 && ramp.audioBitrate == 0);
    QCOMPARE(tone.audioBitrate, qint64(22050 * 2 * 16));

    std::unique_ptr<IKSLocalMediaItem> text(KSLocalMediaItemFactory::createTempLocalMediaItem(path("release.nfo")));
    QVERIFY(text && text->path() == path("release.nfo"));
    QCOMPARE(summary(text->mediaInfo()), QString("invalid kind 0, 0 frames at 0/0 (), 0x0 "));
    QVERIFY(!KSLocalMediaItemFactory::createTempLocalMediaItem(path("missing.mp4")));
    QVERIFY(!KSLocalMediaItemFactory::createTempLocalMediaItem(m_dir->path()));

    // Frames: out of order on purpose, as every call seeks on its own. Frame 23 starts at 959.3 ms,
    // frame 24 at 1001 ms exactly; times past the end get the last frame.
    IKSFrameExtractor *video = KSLocalMediaItemFactory::createFrameExtractor(path("ramp.mp4"));
    QVERIFY(video);
    const QVector<QPair<qint64, int>> expected
        = {{1001, 24}, {1000, 23}, {959, 22}, {0, 0}, {500, 11}, {1520, 36}, {60000, 47}};
    for (const auto &[ms, index] : expected) {
        const QImage frame = video->frameAt(ms);
        QCOMPARE(frame.size(), QSize(64, 48));
        QCOMPARE(frame.format(), QImage::Format_RGB32);
        // Limited-range luma 16 + 4n comes out as grey 4n * 255 / 219.
        const int grey = qGreen(frame.pixel(32, 24));
        QVERIFY2(qAbs(grey - qRound(index * 4 * 255 / 219.0)) <= 2,
            qPrintable(QString("%1 ms: grey %2 instead of frame %3").arg(ms).arg(grey).arg(index)));
    }
    KSLocalMediaItemFactory::releaseFrameExtractor(video);

    IKSFrameExtractor *still = KSLocalMediaItemFactory::createFrameExtractor(path("still.mp4"));
    QVERIFY(still);
    QCOMPARE(still->frameAt(500).size(), QSize(16, 16));
    QCOMPARE(still->frameAt(0).pixel(8, 8) & 0xf0f0f0, 0xf00000u); // red, within rounding
    KSLocalMediaItemFactory::releaseFrameExtractor(still);
    IKSFrameExtractor *image = KSLocalMediaItemFactory::createFrameExtractor(path("picture.png"));
    QVERIFY(image);
    QCOMPARE(image->frameAt(1234).pixel(20, 15), qRgb(0, 0, 255));
    KSLocalMediaItemFactory::releaseFrameExtractor(image);
    for (const char *file : {"tone.wav", "release.nfo", "missing.mp4"})
        QVERIFY2(!KSLocalMediaItemFactory::createFrameExtractor(path(file)), file);
}

void TestHostMedia::zipRoundTrip()
{
    const QString source = path("source");
    QByteArray noise(300 * 1024, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
    writeFile(source + "/plain.txt", "plain");
    writeFile(source + QString::fromUtf8("/项目/片段 ü.bin"), noise);
    writeFile(source + "/a/b/.hidden", QByteArray(100000, 'z'));
    writeFile(source + "/zero", QByteArray());
    QVERIFY(QDir().mkpath(source + QString::fromUtf8("/空的")));
    // An older archive inside the folder being packed must not pack itself.
    writeFile(source + "/inside.zip", "old");
    QMap<QString, QByteArray> expected = tree(source);
    expected.remove("inside.zip");

    QVector<QPair<qint64, qint64>> progress;
    QVERIFY(KSQuaZip::CompressDirWithUTF8(source + "/inside.zip", source, [&progress](qint64 done, qint64 total) {
        progress.append({done, total});
    }));
    const qint64 total = 5 + noise.size() + 100000;
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last(), qMakePair(total, total));
    for (int i = 1; i < progress.size(); ++i)
        QVERIFY(progress.at(i).first >= progress.at(i - 1).first && progress.at(i).second == total);

    const QString target = path("target/deeper");
    QVERIFY2(KSVblLibzip::ExtractDir(source + "/inside.zip", target), qPrintable(KSVblLibzip::lastError()));
    QVERIFY(KSVblLibzip::lastError().isEmpty());
    QCOMPARE(tree(target), expected);

    // The reason for a failure belongs to the thread that failed.
    QString workerError;
    QThread *worker = QThread::create([&] {
        KSVblLibzip::ExtractDir(path("missing.zip"), path("elsewhere"));
        workerError = KSVblLibzip::lastError();
    });
    worker->start();
    QVERIFY(worker->wait(10000));
    delete worker;
    QVERIFY(workerError.contains("missing.zip"));
    QVERIFY(KSVblLibzip::lastError().isEmpty());
}

void TestHostMedia::zipHostile()
{
    const QString outside = path("outside");
    QVERIFY(QDir().mkpath(outside));
    const ZipEntry good = {"good.txt", "fine"};
    struct Case {
        const char *what;
        ZipEntry bad;
        bool needsTarget; // the danger is a link already in the target
    };
    const QVector<Case> cases = {
        {"climbs", {"../outside/evil.txt", "evil"}, false},
        {"climbs with backslashes", {"sub\\..\\..\\outside\\evil.txt", "evil"}, false},
        {"absolute", {QFile::encodeName(outside + "/absolute.txt"), "evil"}, false},
        {"link", {"link", outside.toUtf8(), S_IFLNK | 0777}, false},
        {"through a link on disk", {"out/evil.txt", "evil"}, true},
    };
    for (const Case &c : cases) {
        const QString zip = path(QString(c.what) + ".zip");
        QVERIFY2(writeZip(zip, {good, c.bad}), c.what);
        for (bool targetExists : {true, false}) {
            if (c.needsTarget && !targetExists)
                continue;
            const QString target = path(QString("target-%1-%2").arg(c.what).arg(targetExists));
            if (targetExists) {
                writeFile(target + "/keep.txt", "old");
                QVERIFY(QFile::link(outside, target + "/out"));
            }
            const QMap<QString, QByteArray> before = tree(target);
            KSLogCapture capture;
            QVERIFY2(!KSVblLibzip::ExtractDir(zip, target), c.what);
            QVERIFY2(KSVblLibzip::lastError().contains(c.bad.name), qPrintable(KSVblLibzip::lastError()));
            QVERIFY(!capture.records().isEmpty() && capture.records().last().level == KSLogError);
            QCOMPARE(tree(target), before);
            QCOMPARE(QFileInfo::exists(target), targetExists);
            QVERIFY2(tree(outside).isEmpty(), c.what);
        }
    }
}

void TestHostMedia::zipDamaged()
{
    // A byte flipped inside a stored file: the files before it arrive, the damaged one leaves nothing.
    QByteArray big(200000, Qt::Uninitialized);
    for (int i = 0; i < big.size(); ++i)
        big[i] = char('a' + i % 26);
    QVERIFY(writeZip(path("crc.zip"), {{"first.txt", "first"}, {"big.bin", big}}));
    QFile file(path("crc.zip"));
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const int at = bytes.indexOf(big.left(64));
    QVERIFY(at > 0);
    bytes[at + 150000] = '!';
    QVERIFY(file.seek(0) && file.write(bytes) == bytes.size());
    file.close();
    QVERIFY(!KSVblLibzip::ExtractDir(path("crc.zip"), path("crc")));
    QVERIFY2(KSVblLibzip::lastError().contains("big.bin"), qPrintable(KSVblLibzip::lastError()));
    QCOMPARE(tree(path("crc")), (QMap<QString, QByteArray>{{"first.txt", "first"}}));

    // Cut in half: the directory at the end is gone.
    QVERIFY(writeZip(path("whole.zip"), {{"a.txt", big}}));
    QVERIFY(QFile::resize(path("whole.zip"), QFileInfo(path("whole.zip")).size() / 2));
    QVERIFY(!KSVblLibzip::ExtractDir(path("whole.zip"), path("cut")));
    QVERIFY(KSVblLibzip::lastError().contains("whole.zip"));
    QVERIFY(!QFileInfo::exists(path("cut")));

    // Packing where no file can go leaves nothing behind, not even the temporary file.
    writeFile(path("source/a.txt"), big);
    writeFile(path("blocker"), "a file, not a folder");
    QVERIFY(QDir().mkpath(path("exists-as-folder")));
    const QMap<QString, QByteArray> before = tree(m_dir->path());
    for (const char *zip : {"blocker/out.zip", "exists-as-folder"})
        QVERIFY2(!KSQuaZip::CompressDirWithUTF8(path(zip), path("source")), zip);
    QVERIFY(!KSQuaZip::CompressDirWithUTF8(path("out.zip"), path("no-such-folder")));
    QCOMPARE(tree(m_dir->path()), before);
}

QTEST_GUILESS_MAIN(TestHostMedia)
#include "tst_hostmedia.moc"

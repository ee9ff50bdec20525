// Host media items: what the host knows of a local media file, and frames taken from it.
#ifndef KSLOCALMEDIAITEM_H
#define KSLOCALMEDIAITEM_H

#include "kshostglobal.h"

#include <QImage>
#include <QString>

// Stream kinds of a media file. A file with pictures and sound is 4; a picture file is 8.
enum KSMediaStreamKind {
    KSMediaNoStream = 0,
    KSMediaVideoOnly = 1,
    KSMediaAudioOnly = 2,
    KSMediaVideoAudio = 4,
    KSMediaImage = 8,
};

struct KSMediaInfo {
    bool valid = false;
    int streamKind = KSMediaNoStream;
    bool stillPicture = false; // a single picture, also when it came in a video container
    qint64 frameCount = 0; // video frames; for audio only, samples / (rate / 1000) is not used: 0
    int fpsNumerator = 0;
    int fpsDenominator = 0;
    qint64 durationMs = 0;
    int width = 0;
    int height = 0;
    QString videoCodec; // codec name as FFmpeg spells it ("h264", "mpeg4", "png", ...)
    QString videoFramerate; // "num/den"
    qint64 videoBitrate = 0; // bits per second, 0 when unknown
    QString audioCodec;
    int audioChannels = 0;
    int audioSampleRate = 0;
    qint64 audioBitrate = 0;
};

class KSHOST_API IKSLocalMediaItem
{
public:
    virtual ~IKSLocalMediaItem();
    virtual QString path() const = 0;
    // Read when the item is made; `valid` is false for files the host cannot read as media.
    virtual KSMediaInfo mediaInfo() const = 0;
};

class KSHOST_API IKSFrameExtractor
{
public:
    virtual ~IKSFrameExtractor();
    // The frame at (or just before) the time; a null image when there is none.
    virtual QImage frameAt(qint64 ms) = 0;
};

class KSHOST_API KSLocalMediaItemFactory
{
public:
    // A new item the caller owns, or null when the file does not exist.
    static IKSLocalMediaItem *createTempLocalMediaItem(const QString &path);
    // Null when the file has no pictures. Release with releaseFrameExtractor.
    static IKSFrameExtractor *createFrameExtractor(const QString &path);
    static void releaseFrameExtractor(IKSFrameExtractor *extractor);
};

#endif

// Media information and frames of local files: pictures through Qt's image readers, everything
// else through FFmpeg.
#include "KSLocalMediaItem.h"

#include "KSBaseLog.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cmath>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace {

struct FormatCloser {
    void operator()(AVFormatContext *context) const { avformat_close_input(&context); }
};
struct CodecCloser {
    void operator()(AVCodecContext *context) const { avcodec_free_context(&context); }
};
struct FrameFreer {
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
struct PacketFreer {
    void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};
struct ScalerFreer {
    void operator()(SwsContext *scaler) const { sws_freeContext(scaler); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecCloser>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerFreer>;

// ---- pictures -------------------------------------------------------------------------------

// Formats Qt recognises by their content. Formats it only guesses (tga, the pnm family) are left to
// FFmpeg, or a stray file could pass for a picture.
QByteArray pictureCodec(const QByteArray &qtFormat)
{
    if (qtFormat == "jpeg" || qtFormat == "jpg")
        return QByteArrayLiteral("mjpeg"); // FFmpeg's name
    if (qtFormat == "tif")
        return QByteArrayLiteral("tiff");
    static const QByteArrayList known = {QByteArrayLiteral("png"), QByteArrayLiteral("bmp"), QByteArrayLiteral("gif"),
        QByteArrayLiteral("webp"), QByteArrayLiteral("tiff"), QByteArrayLiteral("heic"), QByteArrayLiteral("heif"),
        QByteArrayLiteral("avif"), QByteArrayLiteral("jp2"), QByteArrayLiteral("ico")};
    return known.contains(qtFormat) ? qtFormat : QByteArray();
}

// Set up to read a picture, or false when Qt does not take the file for one.
bool openPicture(QImageReader *reader, QByteArray *codec)
{
    // The content decides: a renamed video must not pass for a picture, nor a picture be missed.
    reader->setDecideFormatFromContent(true);
    reader->setAutoTransform(true);
    *codec = pictureCodec(reader->format());
    return !codec->isEmpty();
}

bool pictureInfo(const QString &path, KSMediaInfo *info)
{
    QImageReader reader(path);
    QByteArray codec;
    if (!openPicture(&reader, &codec))
        return false;
    QSize size = reader.size();
    if (!size.isValid())
        size = reader.read().size();
    if (!size.isValid())
        return false;
    // Sizes as the frames will come out: turned upright by the orientation the file records.
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        size.transpose();
    const int images = reader.imageCount(); // 0 when the format cannot tell
    info->valid = true;
    info->streamKind = KSMediaImage;
    info->stillPicture = images <= 1;
    info->frameCount = qMax(images, 1);
    info->width = size.width();
    info->height = size.height();
    info->videoCodec = QString::fromLatin1(codec);
    return true;
}

// ---- FFmpeg ---------------------------------------------------------------------------------

FormatPtr openInput(const QString &path)
{
    // "file:" keeps names with a colon from being taken for a protocol.
    const QByteArray url = "file:" + QFile::encodeName(QFileInfo(path).absoluteFilePath());
    AVDictionary *options = nullptr;
    // Playlists and concat lists must not reach beyond local files.
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    // A "%" in a picture's name is not a numbered sequence.
    av_dict_set(&options, "pattern_type", "none", 0);
    AVFormatContext *context = nullptr;
    const int opened = avformat_open_input(&context, url.constData(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0)
        return {}; // FFmpeg frees the context itself on failure
    FormatPtr format(context);
    // Below this score FFmpeg went by the name, not the content: text in a ".nfo" becomes ANSI art.
    if (format->probe_score < AVPROBE_SCORE_RETRY || avformat_find_stream_info(context, nullptr) < 0)
        return {};
    return format;
}

// Cover art rides in a video stream but is not the file's picture.
int videoStreamIndex(AVFormatContext *format)
{
    auto usable = [format](int index) {
        const AVStream *stream = format->streams[index];
        return stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO
            && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC) && stream->codecpar->codec_id != AV_CODEC_ID_NONE
            && stream->codecpar->width > 0 && stream->codecpar->height > 0;
    };
    const int best = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (best >= 0 && usable(best))
        return best;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (usable(int(i)))
            return int(i);
    }
    return -1;
}

int audioStreamIndex(AVFormatContext *format)
{
    const int best = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    return best >= 0 && format->streams[best]->codecpar->codec_id != AV_CODEC_ID_NONE ? best : -1;
}

double streamSeconds(const AVFormatContext *format, const AVStream *stream)
{
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        return stream->duration * av_q2d(stream->time_base);
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
        return double(format->duration) / AV_TIME_BASE;
    return 0;
}

// Packets of the stream up to `limit`, for containers that do not count frames.
int countPackets(AVFormatContext *format, int streamIndex, int limit)
{
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        return 0;
    int found = 0;
    // Another stream's data may come first; a bound keeps a file without many video packets cheap.
    for (int read = 0; found < limit && read < 4096 && av_read_frame(format, packet.get()) >= 0; ++read) {
        if (packet->stream_index == streamIndex)
            ++found;
        av_packet_unref(packet.get());
    }
    return found;
}

void fillVideo(AVFormatContext *format, int index, bool onlyStream, KSMediaInfo *info)
{
    const AVStream *stream = format->streams[index];
    const AVCodecParameters *par = stream->codecpar;
    AVRational rate = stream->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = stream->r_frame_rate;
    if (rate.num > 0 && rate.den > 0) {
        info->fpsNumerator = rate.num;
        info->fpsDenominator = rate.den;
        info->videoFramerate = QStringLiteral("%1/%2").arg(rate.num).arg(rate.den);
    }
    info->width = par->width;
    info->height = par->height;
    info->videoCodec = QString::fromLatin1(avcodec_get_name(par->codec_id));
    info->videoBitrate = par->bit_rate > 0 ? par->bit_rate : (onlyStream ? qMax<qint64>(format->bit_rate, 0) : 0);
    info->stillPicture = stream->nb_frames == 1 || (stream->nb_frames <= 0 && countPackets(format, index, 2) == 1);
    if (info->stillPicture)
        info->frameCount = 1;
    else if (stream->nb_frames > 0)
        info->frameCount = stream->nb_frames;
    else if (rate.num > 0 && rate.den > 0)
        info->frameCount = std::llround(streamSeconds(format, stream) * rate.num / rate.den);
}

void fillAudio(const AVFormatContext *format, int index, bool onlyStream, KSMediaInfo *info)
{
    const AVCodecParameters *par = format->streams[index]->codecpar;
    info->audioCodec = QString::fromLatin1(avcodec_get_name(par->codec_id));
    info->audioChannels = par->ch_layout.nb_channels;
    info->audioSampleRate = par->sample_rate;
    info->audioBitrate = par->bit_rate > 0 ? par->bit_rate : (onlyStream ? qMax<qint64>(format->bit_rate, 0) : 0);
}

KSMediaInfo mediaInfo(const QString &path)
{
    KSMediaInfo info;
    if (pictureInfo(path, &info))
        return info;
    const FormatPtr format = openInput(path);
    if (!format)
        return info;
    const int video = videoStreamIndex(format.get());
    const int audio = audioStreamIndex(format.get());
    if (video < 0 && audio < 0)
        return info;
    info.valid = true;
    info.streamKind = video < 0 ? KSMediaAudioOnly : (audio < 0 ? KSMediaVideoOnly : KSMediaVideoAudio);
    double seconds = 0;
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0) {
        seconds = double(format->duration) / AV_TIME_BASE;
    } else {
        for (int index : {video, audio}) {
            if (index >= 0)
                seconds = qMax(seconds, streamSeconds(format.get(), format->streams[index]));
        }
    }
    info.durationMs = std::llround(seconds * 1000);
    const bool onlyStream = video < 0 || audio < 0;
    if (video >= 0)
        fillVideo(format.get(), video, onlyStream, &info);
    if (audio >= 0)
        fillAudio(format.get(), audio, onlyStream, &info);
    return info;
}

class LocalMediaItem : public IKSLocalMediaItem
{
public:
    LocalMediaItem(const QString &path, const KSMediaInfo &info)
        : m_path(path)
        , m_info(info)
    { }
    QString path() const override { return m_path; }
    KSMediaInfo mediaInfo() const override { return m_info; }

private:
    const QString m_path;
    const KSMediaInfo m_info;
};

class PictureExtractor : public IKSFrameExtractor
{
public:
    explicit PictureExtractor(const QImage &image)
        : m_image(image)
    { }
    QImage frameAt(qint64) override { return m_image; }

private:
    const QImage m_image;
};

// The "J" formats are the plain ones in full range; swscale warns about them on every frame.
AVPixelFormat plainFormat(AVPixelFormat format, bool *fullRange)
{
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
        *fullRange = true;
        return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
        *fullRange = true;
        return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
        *fullRange = true;
        return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
        *fullRange = true;
        return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
        *fullRange = true;
        return AV_PIX_FMT_YUV411P;
    default:
        return format;
    }
}

class VideoFrameExtractor : public IKSFrameExtractor
{
public:
    explicit VideoFrameExtractor(const QString &path)
        : m_path(path)
    { }

    bool open()
    {
        m_codec.reset();
        m_format = openInput(m_path);
        if (!m_format)
            return false;
        m_stream = videoStreamIndex(m_format.get());
        if (m_stream < 0)
            return false;
        const AVStream *stream = m_format->streams[m_stream];
        const AVCodec *decoder = avcodec_find_decoder(stream->codecpar->codec_id);
        if (!decoder)
            return false;
        CodecPtr codec(avcodec_alloc_context3(decoder));
        if (!codec || avcodec_parameters_to_context(codec.get(), stream->codecpar) < 0)
            return false;
        codec->pkt_timebase = stream->time_base;
        codec->thread_count = 0; // as many as the machine has
        if (avcodec_open2(codec.get(), decoder, nullptr) < 0)
            return false;
        m_codec = std::move(codec);
        if (!m_packet)
            m_packet.reset(av_packet_alloc());
        if (!m_frame)
            m_frame.reset(av_frame_alloc());
        if (!m_kept)
            m_kept.reset(av_frame_alloc());
        return m_packet && m_frame && m_kept;
    }

    QImage frameAt(qint64 ms) override
    {
        if (!m_codec && !open())
            return QImage();
        const AVStream *stream = m_format->streams[m_stream];
        const int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
        const int64_t target = start + av_rescale_q(qMax<qint64>(ms, 0), AVRational{1, 1000}, stream->time_base);
        // The key frame at or before the target; demuxers that cannot seek (single pictures, pipes)
        // start over from the beginning instead.
        if (av_seek_frame(m_format.get(), m_stream, target, AVSEEK_FLAG_BACKWARD) >= 0)
            avcodec_flush_buffers(m_codec.get());
        else if (!open())
            return QImage();
        return decodeUntil(target) ? toImage(m_kept.get()) : QImage();
    }

private:
    // Leaves in m_kept the last frame at or before the target, or the first one when all come later.
    bool decodeUntil(int64_t target)
    {
        av_frame_unref(m_kept.get());
        bool have = false;
        bool draining = false;
        for (;;) {
            if (!draining) {
                if (av_read_frame(m_format.get(), m_packet.get()) < 0) {
                    draining = true;
                    avcodec_send_packet(m_codec.get(), nullptr);
                } else {
                    if (m_packet->stream_index == m_stream)
                        avcodec_send_packet(m_codec.get(), m_packet.get()); // a damaged packet only costs its frame
                    av_packet_unref(m_packet.get());
                }
            }
            while (avcodec_receive_frame(m_codec.get(), m_frame.get()) == 0) {
                const int64_t time = m_frame->best_effort_timestamp;
                const bool later = time != AV_NOPTS_VALUE && time > target;
                if (later && have) {
                    av_frame_unref(m_frame.get());
                    return true;
                }
                av_frame_unref(m_kept.get());
                av_frame_move_ref(m_kept.get(), m_frame.get());
                have = true;
                if (later)
                    return true;
            }
            if (draining)
                return have; // every frame is out, or the decoder gave up
        }
    }

    QImage toImage(const AVFrame *frame)
    {
        const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
        if (!desc || frame->width <= 0 || frame->height <= 0)
            return QImage();
        const bool alpha = desc->flags & AV_PIX_FMT_FLAG_ALPHA;
        QImage image(frame->width, frame->height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (image.isNull())
            return QImage();
        bool fullRange = frame->color_range == AVCOL_RANGE_JPEG;
        const AVPixelFormat source = plainFormat(AVPixelFormat(frame->format), &fullRange);
        // AV_PIX_FMT_RGB32 is QImage's 0xAARRGGBB in native byte order.
        m_scaler.reset(sws_getCachedContext(m_scaler.release(), frame->width, frame->height, source, frame->width,
            frame->height, AV_PIX_FMT_RGB32, SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!m_scaler)
            return QImage();
        // The frame's own matrix: HD video is BT.709, and the default would shift its colours.
        sws_setColorspaceDetails(m_scaler.get(), sws_getCoefficients(frame->colorspace), fullRange,
            sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
        uint8_t *planes[4] = {image.bits(), nullptr, nullptr, nullptr};
        const int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
        if (sws_scale(m_scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides) != frame->height)
            return QImage();
        return image;
    }

    const QString m_path;
    FormatPtr m_format;
    CodecPtr m_codec;
    PacketPtr m_packet;
    FramePtr m_frame;
    FramePtr m_kept;
    ScalerPtr m_scaler;
    int m_stream = -1;
};

} // namespace

IKSLocalMediaItem::~IKSLocalMediaItem() = default;

IKSFrameExtractor::~IKSFrameExtractor() = default;

IKSLocalMediaItem *KSLocalMediaItemFactory::createTempLocalMediaItem(const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return nullptr;
    const KSMediaInfo info = mediaInfo(path);
    // Any file may be asked about (cloud media can be anything): not being media is no warning.
    if (!info.valid)
        KSLOG_INFO("media: %s is not readable as media", qUtf8Printable(path));
    return new LocalMediaItem(path, info);
}

IKSFrameExtractor *KSLocalMediaItemFactory::createFrameExtractor(const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return nullptr;
    QImageReader reader(path);
    QByteArray codec;
    if (openPicture(&reader, &codec)) {
        const QImage image = reader.read();
        return image.isNull() ? nullptr : new PictureExtractor(image);
    }
    auto extractor = std::make_unique<VideoFrameExtractor>(path);
    return extractor->open() ? extractor.release() : nullptr;
}

void KSLocalMediaItemFactory::releaseFrameExtractor(IKSFrameExtractor *extractor)
{
    delete extractor;
}

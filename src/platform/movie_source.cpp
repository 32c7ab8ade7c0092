// Movie decoding through libavformat/libavcodec: a custom AVIOContext over
// the caller's byte source, one decoder per stream, libswscale to BGRA and
// libswresample to 16-bit interleaved PCM.
#include "platform/movie_source.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace platform {

struct MovieSource {
    MovieByteSource bytes;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    int videoIndex = -1, audioIndex = -1;
    SwsContext* scaler = nullptr;
    SwrContext* resampler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    AVCodecContext* pending = nullptr;  // decoder that may still hold frames
    bool atEnd = false, videoFlushed = false, audioFlushed = false;
    uint32_t skipBeforeMs = 0;  // video frames ending before this are dropped
    uint32_t frameMs = 40;      // nominal video frame duration
    int width = 0, height = 0, channels = 0;
    std::vector<uint8_t> picture;
    std::vector<uint8_t> pcm;
};

namespace {

constexpr int kIoBufferSize = 32768;

int ReadBytes(void* opaque, uint8_t* dest, int bytes) {
    auto* s = static_cast<MovieSource*>(opaque);
    int n = s->bytes.read(s->bytes.context, dest, bytes);
    if (n < 0) return AVERROR(EIO);
    return n == 0 ? AVERROR_EOF : n;
}

int64_t SeekBytes(void* opaque, int64_t offset, int whence) {
    auto* s = static_cast<MovieSource*>(opaque);
    if (whence & AVSEEK_SIZE) return s->bytes.size >= 0 ? s->bytes.size : -1;
    whence &= ~AVSEEK_FORCE;
    if (!s->bytes.seek) return -1;
    int origin = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? 1 : whence == SEEK_END ? 2 : -1;
    if (origin < 0) return -1;
    return s->bytes.seek(s->bytes.context, offset, origin);
}

AVCodecContext* OpenDecoder(AVStream* stream) {
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) return nullptr;
    AVCodecContext* c = avcodec_alloc_context3(codec);
    if (!c) return nullptr;
    // One decoding thread: the engine runs one decoder thread per movie.
    c->thread_count = 1;
    if (avcodec_parameters_to_context(c, stream->codecpar) < 0 || avcodec_open2(c, codec, nullptr) < 0) {
        avcodec_free_context(&c);
        return nullptr;
    }
    return c;
}

// Milliseconds of a frame's timestamp in its stream (start time subtracted).
uint32_t FrameTime(const MovieSource* s, int index, const AVFrame* f) {
    AVStream* stream = s->format->streams[index];
    int64_t ts = f->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE) ts = f->pts;
    if (ts == AV_NOPTS_VALUE) return 0;
    if (stream->start_time != AV_NOPTS_VALUE) ts -= stream->start_time;
    int64_t ms = av_rescale_q(ts, stream->time_base, AVRational{1, 1000});
    return ms > 0 ? static_cast<uint32_t>(ms) : 0;
}

bool ConvertVideo(MovieSource* s, MovieUnit* unit) {
    AVFrame* f = s->frame;
    if (f->width != s->width || f->height != s->height) return false;
    s->scaler = sws_getCachedContext(s->scaler, f->width, f->height, static_cast<AVPixelFormat>(f->format), s->width,
                                     s->height, AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
    if (!s->scaler) return false;
    uint8_t* dst[4] = {s->picture.data(), nullptr, nullptr, nullptr};
    int stride[4] = {s->width * 4, 0, 0, 0};
    sws_scale(s->scaler, f->data, f->linesize, 0, f->height, dst, stride);
    for (size_t i = 3; i < s->picture.size(); i += 4) s->picture[i] = 255;
    unit->kind = kMovieUnitVideo;
    unit->data = s->picture.data();
    unit->bytes = s->picture.size();
    return true;
}

bool ConvertAudio(MovieSource* s, MovieUnit* unit) {
    AVFrame* f = s->frame;
    int out = swr_get_out_samples(s->resampler, f->nb_samples);
    if (out <= 0) return false;
    s->pcm.resize(static_cast<size_t>(out) * s->channels * 2);
    uint8_t* dst[1] = {s->pcm.data()};
    int got = swr_convert(s->resampler, dst, out, const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
    if (got <= 0) return false;
    unit->kind = kMovieUnitAudio;
    unit->data = s->pcm.data();
    unit->bytes = static_cast<size_t>(got) * s->channels * 2;
    return true;
}

void Release(MovieSource* s) {
    if (!s) return;
    sws_freeContext(s->scaler);
    swr_free(&s->resampler);
    av_packet_free(&s->packet);
    av_frame_free(&s->frame);
    avcodec_free_context(&s->video);
    avcodec_free_context(&s->audio);
    if (s->format) avformat_close_input(&s->format);
    if (s->io) {
        av_freep(&s->io->buffer);
        avio_context_free(&s->io);
    }
    if (s->bytes.close) s->bytes.close(s->bytes.context);
    delete s;
}

// Plain host files for OpenMovieFile.
int ReadFile(void* context, uint8_t* dest, int bytes) {
    size_t n = std::fread(dest, 1, static_cast<size_t>(bytes), static_cast<FILE*>(context));
    return n == 0 && std::ferror(static_cast<FILE*>(context)) ? -1 : static_cast<int>(n);
}
int64_t SeekFile(void* context, int64_t offset, int origin) {
    FILE* f = static_cast<FILE*>(context);
    int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END;
    if (std::fseek(f, static_cast<long>(offset), whence) != 0) return -1;
    return std::ftell(f);
}
void CloseFile(void* context) { std::fclose(static_cast<FILE*>(context)); }

}  // namespace

MovieSource* OpenMovieSource(const MovieByteSource& bytes, const char* label, MovieInfo* info) {
    const char* name = label ? label : "(movie)";
    // The library's own chatter about damaged data would drown the one
    // message per refused movie printed here.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_FATAL); });
    auto* s = new MovieSource;
    s->bytes = bytes;
    auto fail = [&](const char* why) -> MovieSource* {
        std::fprintf(stderr, "movie %s: %s\n", name, why);
        Release(s);
        return nullptr;
    };
    if (!bytes.read) return fail("no data");
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    if (!buffer) return fail("out of memory");
    s->io = avio_alloc_context(buffer, kIoBufferSize, 0, s, ReadBytes, nullptr, bytes.seek ? SeekBytes : nullptr);
    if (!s->io) {
        av_free(buffer);
        return fail("out of memory");
    }
    s->format = avformat_alloc_context();
    if (!s->format) return fail("out of memory");
    s->format->pb = s->io;
    s->format->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (avformat_open_input(&s->format, nullptr, nullptr, nullptr) < 0) {
        s->format = nullptr;  // freed by avformat_open_input
        return fail("not a movie file");
    }
    if (avformat_find_stream_info(s->format, nullptr) < 0) return fail("no stream information");
    s->videoIndex = av_find_best_stream(s->format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (s->videoIndex < 0) return fail("no video stream");
    AVStream* vs = s->format->streams[s->videoIndex];
    s->video = OpenDecoder(vs);
    if (!s->video) return fail("no decoder for its video");
    s->width = s->video->width;
    s->height = s->video->height;
    if (s->width <= 0 || s->height <= 0 || s->width > 8192 || s->height > 8192) return fail("bad picture size");
    s->picture.assign(static_cast<size_t>(s->width) * s->height * 4, 0);
    AVRational rate = vs->avg_frame_rate.num > 0 ? vs->avg_frame_rate : vs->r_frame_rate;
    if (rate.num > 0 && rate.den > 0) {
        int64_t ms = av_rescale(1000, rate.den, rate.num);
        s->frameMs = ms > 0 ? static_cast<uint32_t>(ms) : 1;
    }
    int audioIndex = av_find_best_stream(s->format, AVMEDIA_TYPE_AUDIO, -1, s->videoIndex, nullptr, 0);
    if (audioIndex >= 0) {
        s->audio = OpenDecoder(s->format->streams[audioIndex]);
        if (s->audio && s->audio->sample_rate > 0 && s->audio->ch_layout.nb_channels > 0) {
            s->channels = s->audio->ch_layout.nb_channels >= 2 ? 2 : 1;
            AVChannelLayout out;
            av_channel_layout_default(&out, s->channels);
            if (swr_alloc_set_opts2(&s->resampler, &out, AV_SAMPLE_FMT_S16, s->audio->sample_rate,
                                    &s->audio->ch_layout, s->audio->sample_fmt, s->audio->sample_rate, 0,
                                    nullptr) == 0 &&
                swr_init(s->resampler) == 0) {
                s->audioIndex = audioIndex;
            }
        }
        if (s->audioIndex < 0) {
            std::fprintf(stderr, "movie %s: its sound cannot be decoded; playing the picture only\n", name);
            avcodec_free_context(&s->audio);
            swr_free(&s->resampler);
            s->channels = 0;
        }
    }
    s->packet = av_packet_alloc();
    s->frame = av_frame_alloc();
    if (!s->packet || !s->frame) return fail("out of memory");
    if (info) {
        *info = MovieInfo{};
        info->width = s->width;
        info->height = s->height;
        int64_t d = s->format->duration;
        if (d != AV_NOPTS_VALUE && d > 0) info->durationMs = static_cast<uint32_t>(d / 1000);
        else if (vs->duration != AV_NOPTS_VALUE && vs->duration > 0)
            info->durationMs = static_cast<uint32_t>(av_rescale_q(vs->duration, vs->time_base, AVRational{1, 1000}));
        info->hasAudio = s->audioIndex >= 0;
        info->audioChannels = s->channels;
        info->audioRate = s->audio ? s->audio->sample_rate : 0;
    }
    return s;
}

MovieSource* OpenMovieFile(const char* path, MovieInfo* info) {
    FILE* f = path ? std::fopen(path, "rb") : nullptr;
    if (!f) {
        std::fprintf(stderr, "movie %s: cannot open\n", path ? path : "(null)");
        return nullptr;
    }
    MovieByteSource bytes;
    bytes.context = f;
    bytes.read = ReadFile;
    bytes.seek = SeekFile;
    bytes.close = CloseFile;
    if (std::fseek(f, 0, SEEK_END) == 0) bytes.size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    return OpenMovieSource(bytes, path, info);
}

void CloseMovieSource(MovieSource* source) { Release(source); }

MovieUnit ReadMovieUnit(MovieSource* s) {
    MovieUnit unit;
    if (!s) return unit;
    for (;;) {
        if (s->pending) {
            AVCodecContext* d = s->pending;
            int r = avcodec_receive_frame(d, s->frame);
            if (r == 0) {
                int index = d == s->video ? s->videoIndex : s->audioIndex;
                unit.timeMs = FrameTime(s, index, s->frame);
                bool ok = false;
                if (d == s->video) ok = unit.timeMs + s->frameMs > s->skipBeforeMs && ConvertVideo(s, &unit);
                else ok = unit.timeMs >= s->skipBeforeMs && ConvertAudio(s, &unit);
                av_frame_unref(s->frame);
                if (ok) return unit;
                unit = MovieUnit{};
                continue;
            }
            // Wants more input, is drained, or met a broken frame: either
            // way the next packet decides.
            s->pending = nullptr;
            continue;
        }
        if (s->atEnd) {
            if (!s->videoFlushed) {
                s->videoFlushed = true;
                if (avcodec_send_packet(s->video, nullptr) == 0) s->pending = s->video;
                continue;
            }
            if (s->audio && !s->audioFlushed) {
                s->audioFlushed = true;
                if (avcodec_send_packet(s->audio, nullptr) == 0) s->pending = s->audio;
                continue;
            }
            unit.kind = kMovieUnitEnd;
            return unit;
        }
        int r = av_read_frame(s->format, s->packet);
        if (r < 0) {
            s->atEnd = true;
            if (r != AVERROR_EOF && !(s->io && s->io->eof_reached)) {
                unit.kind = kMovieUnitError;
                return unit;
            }
            continue;
        }
        AVCodecContext* d = s->packet->stream_index == s->videoIndex   ? s->video
                            : s->packet->stream_index == s->audioIndex ? s->audio
                                                                       : nullptr;
        if (d && avcodec_send_packet(d, s->packet) == 0) s->pending = d;
        av_packet_unref(s->packet);
    }
}

bool SeekMovie(MovieSource* s, uint32_t timeMs) {
    if (!s) return false;
    AVStream* vs = s->format->streams[s->videoIndex];
    int64_t ts = av_rescale_q(timeMs, AVRational{1, 1000}, vs->time_base);
    if (vs->start_time != AV_NOPTS_VALUE) ts += vs->start_time;
    if (av_seek_frame(s->format, s->videoIndex, ts, AVSEEK_FLAG_BACKWARD) < 0) {
        // Containers without an index: read again from the start.
        if (avformat_seek_file(s->format, -1, INT64_MIN, 0, 0, AVSEEK_FLAG_BYTE) < 0 &&
            av_seek_frame(s->format, -1, 0, AVSEEK_FLAG_BYTE) < 0)
            return false;
    }
    avcodec_flush_buffers(s->video);
    if (s->audio) avcodec_flush_buffers(s->audio);
    s->pending = nullptr;
    s->atEnd = s->videoFlushed = s->audioFlushed = false;
    s->skipBeforeMs = timeMs;
    return true;
}

}  // namespace platform

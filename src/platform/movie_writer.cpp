// Writing generated movies: lossless FFV1 video (RGB, so colours read back
// exactly) or, for measurements with the kind of movie games ship, H.264
// (MPEG-4 part 2 when no H.264 encoder is present) in 4:2:0; 16-bit PCM
// sound; in the container the file name asks for (NUT when the name does not
// say; NUT stores no durations, Matroska and AVI do).
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/movie_source.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswscale/swscale.h>
}

namespace platform {

namespace {

struct Writer {
    AVFormatContext* out = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;

    ~Writer() {
        sws_freeContext(scaler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        if (out) {
            if (out->pb) avio_closep(&out->pb);
            avformat_free_context(out);
        }
    }
};

bool Drain(Writer& w, AVCodecContext* c, AVStream* stream) {
    for (;;) {
        int r = avcodec_receive_packet(c, w.packet);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) return false;
        if (w.packet->duration <= 0 && c == w.video) w.packet->duration = 1;  // one frame
        av_packet_rescale_ts(w.packet, c->time_base, stream->time_base);
        w.packet->stream_index = stream->index;
        if (av_interleaved_write_frame(w.out, w.packet) < 0) return false;
    }
}

AVPixelFormat LosslessFormat(const AVCodec* codec) {
    AVPixelFormat fallback = AV_PIX_FMT_NONE;
    for (const AVPixelFormat* p = codec->pix_fmts; p && *p != AV_PIX_FMT_NONE; ++p) {
        if (*p == AV_PIX_FMT_BGRA || *p == AV_PIX_FMT_BGR0) return *p;
        if (*p == AV_PIX_FMT_0RGB32 || *p == AV_PIX_FMT_GBRP) fallback = *p;
    }
    return fallback;
}

bool Write(const char* path, int width, int height, int framesPerSecond, const uint8_t* frames, int frameCount,
           const int16_t* pcm, size_t pcmFrames, int channels, int rate, int lossyBitRate) {
    if (!path || width <= 0 || height <= 0 || framesPerSecond <= 0 || !frames || frameCount <= 0) return false;
    Writer w;
    if (avformat_alloc_output_context2(&w.out, nullptr, nullptr, path) < 0 || !w.out) {
        if (avformat_alloc_output_context2(&w.out, nullptr, "nut", path) < 0 || !w.out) return false;
    }
    // The same input gives the same bytes (no random identifiers, no
    // library version strings), so generated movies can be committed.
    w.out->flags |= AVFMT_FLAG_BITEXACT;
    const bool lossy = lossyBitRate > 0;
    const AVCodec* vc = nullptr;
    AVPixelFormat pixel = AV_PIX_FMT_YUV420P;
    if (lossy) {
        vc = avcodec_find_encoder(AV_CODEC_ID_H264);
        if (!vc) vc = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
        if (!vc) return false;
    } else {
        vc = avcodec_find_encoder(AV_CODEC_ID_FFV1);
        if (!vc) return false;
        pixel = LosslessFormat(vc);
        if (pixel == AV_PIX_FMT_NONE) return false;
    }
    w.videoStream = avformat_new_stream(w.out, nullptr);
    w.video = avcodec_alloc_context3(vc);
    if (!w.videoStream || !w.video) return false;
    w.video->width = width;
    w.video->height = height;
    w.video->pix_fmt = pixel;
    w.video->time_base = AVRational{1, framesPerSecond};
    w.video->framerate = AVRational{framesPerSecond, 1};
    if (lossy) {
        w.video->bit_rate = lossyBitRate;
        w.video->gop_size = framesPerSecond * 2;
        w.video->max_b_frames = 2;
    } else {
        w.video->gop_size = 1;
    }
    w.video->thread_count = 1;
    w.video->flags |= AV_CODEC_FLAG_BITEXACT;
    if (w.out->oformat->flags & AVFMT_GLOBALHEADER) w.video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(w.video, vc, nullptr) < 0) return false;
    if (avcodec_parameters_from_context(w.videoStream->codecpar, w.video) < 0) return false;
    w.videoStream->time_base = w.video->time_base;
    w.videoStream->avg_frame_rate = w.video->framerate;

    bool withSound = pcm && pcmFrames > 0 && (channels == 1 || channels == 2) && rate > 0;
    if (withSound) {
        const AVCodec* ac = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
        if (!ac) return false;
        w.audioStream = avformat_new_stream(w.out, nullptr);
        w.audio = avcodec_alloc_context3(ac);
        if (!w.audioStream || !w.audio) return false;
        w.audio->sample_fmt = AV_SAMPLE_FMT_S16;
        w.audio->sample_rate = rate;
        av_channel_layout_default(&w.audio->ch_layout, channels);
        w.audio->time_base = AVRational{1, rate};
        w.audio->flags |= AV_CODEC_FLAG_BITEXACT;
        if (avcodec_open2(w.audio, ac, nullptr) < 0) return false;
        if (avcodec_parameters_from_context(w.audioStream->codecpar, w.audio) < 0) return false;
        w.audioStream->time_base = w.audio->time_base;
    }
    if (!(w.out->oformat->flags & AVFMT_NOFILE) && avio_open(&w.out->pb, path, AVIO_FLAG_WRITE) < 0) return false;
    if (avformat_write_header(w.out, nullptr) < 0) return false;
    w.frame = av_frame_alloc();
    w.packet = av_packet_alloc();
    if (!w.frame || !w.packet) return false;

    w.scaler = sws_getContext(width, height, AV_PIX_FMT_BGRA, width, height, pixel, SWS_POINT, nullptr, nullptr,
                              nullptr);
    if (!w.scaler) return false;
    const size_t frameBytes = static_cast<size_t>(width) * height * 4;
    constexpr int kAudioChunk = 1024;
    size_t audioDone = 0;
    for (int i = 0; i <= frameCount; ++i) {
        // Sound up to this frame's time, so the container interleaves both.
        size_t audioUntil = withSound ? (i == frameCount ? pcmFrames
                                                         : std::min(pcmFrames, static_cast<size_t>(i) * rate /
                                                                                   framesPerSecond))
                                      : 0;
        while (withSound && audioDone < audioUntil) {
            int n = static_cast<int>(std::min<size_t>(kAudioChunk, audioUntil - audioDone));
            av_frame_unref(w.frame);
            w.frame->format = AV_SAMPLE_FMT_S16;
            w.frame->nb_samples = n;
            w.frame->sample_rate = rate;
            if (av_channel_layout_copy(&w.frame->ch_layout, &w.audio->ch_layout) < 0) return false;
            if (av_frame_get_buffer(w.frame, 0) < 0) return false;
            std::memcpy(w.frame->data[0], pcm + audioDone * channels, static_cast<size_t>(n) * channels * 2);
            w.frame->pts = static_cast<int64_t>(audioDone);
            if (avcodec_send_frame(w.audio, w.frame) < 0 || !Drain(w, w.audio, w.audioStream)) return false;
            audioDone += static_cast<size_t>(n);
        }
        if (i == frameCount) break;
        av_frame_unref(w.frame);
        w.frame->format = pixel;
        w.frame->width = width;
        w.frame->height = height;
        if (av_frame_get_buffer(w.frame, 0) < 0) return false;
        const uint8_t* src[4] = {frames + frameBytes * i, nullptr, nullptr, nullptr};
        int srcStride[4] = {width * 4, 0, 0, 0};
        sws_scale(w.scaler, src, srcStride, 0, height, w.frame->data, w.frame->linesize);
        w.frame->pts = i;
        if (avcodec_send_frame(w.video, w.frame) < 0 || !Drain(w, w.video, w.videoStream)) return false;
    }
    if (avcodec_send_frame(w.video, nullptr) < 0 || !Drain(w, w.video, w.videoStream)) return false;
    if (w.audio && (avcodec_send_frame(w.audio, nullptr) < 0 || !Drain(w, w.audio, w.audioStream))) return false;
    return av_write_trailer(w.out) == 0;
}

}  // namespace

bool WriteMovieFile(const char* path, int width, int height, int framesPerSecond, const uint8_t* frames,
                    int frameCount, const int16_t* pcm, size_t pcmFrames, int channels, int rate) {
    return Write(path, width, height, framesPerSecond, frames, frameCount, pcm, pcmFrames, channels, rate, 0);
}

bool WriteCompressedMovieFile(const char* path, int width, int height, int framesPerSecond, const uint8_t* frames,
                              int frameCount, const int16_t* pcm, size_t pcmFrames, int channels, int rate,
                              int bitsPerSecond) {
    if (bitsPerSecond <= 0) return false;
    return Write(path, width, height, framesPerSecond, frames, frameCount, pcm, pcmFrames, channels, rate,
                 bitsPerSecond);
}

}  // namespace platform

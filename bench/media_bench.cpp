// Media costs, as shares of one core:
//  - a 1280 x 720 H.264 movie at 30 frames a second played by MoviePlay's
//    player in real time (decoding, conversion, the copies to the window;
//    the headless window scales the picture in software, which a real
//    window leaves to the graphics card), measured as process CPU time over
//    the wall time of the play;
//  - 32 sounds mixed at once by OpenAL Soft (its loopback device, which
//    mixes on the calling thread), each with its gain, pan and pitch, kept
//    fed as the stream threads feed them, per second of sound.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/engine.h"
#include "movie/full_window.h"
#include "movie/movie.h"
#include "platform/audio.h"
#include "platform/movie_source.h"
#include "platform/video.h"

namespace {

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

constexpr int kMovieWidth = 1280, kMovieHeight = 720, kMovieFps = 30, kMovieFrames = 90;

// A 3 s movie with motion everywhere (a drifting gradient and a moving
// disc) and stereo sound, written once per run into the temporary folder.
const std::string& Movie720p() {
    static const std::string path = [] {
        std::string p = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                        "/velmoor-bench-720p-" + std::to_string(getpid()) + ".mkv";
        const size_t pixels = static_cast<size_t>(kMovieWidth) * kMovieHeight;
        std::vector<uint8_t> frames(pixels * 4 * kMovieFrames);
        for (int f = 0; f < kMovieFrames; ++f) {
            double cx = 200 + 8.0 * f * 10, cy = 360 + 200 * std::sin(f / 9.0);
            for (int y = 0; y < kMovieHeight; ++y)
                for (int x = 0; x < kMovieWidth; ++x) {
                    uint8_t* p = &frames[((static_cast<size_t>(f) * kMovieHeight + y) * kMovieWidth + x) * 4];
                    double d = std::hypot(x - cx, y - cy);
                    double disc = d < 120 ? 1.0 : 0.0;
                    p[0] = static_cast<uint8_t>((x + 3 * f) & 0xFF);
                    p[1] = static_cast<uint8_t>((y * 2 + 5 * f) & 0xFF);
                    p[2] = static_cast<uint8_t>(disc * 230 + (1 - disc) * ((x + y) / 8 & 0xFF));
                    p[3] = 255;
                }
        }
        const int rate = 44100;
        std::vector<int16_t> pcm(static_cast<size_t>(rate) * kMovieFrames / kMovieFps * 2);
        for (size_t i = 0; i < pcm.size() / 2; ++i) {
            double v = 6000 * std::sin(2 * M_PI * 440.0 * static_cast<double>(i) / rate);
            pcm[2 * i] = pcm[2 * i + 1] = static_cast<int16_t>(v);
        }
        if (!platform::WriteCompressedMovieFile(p.c_str(), kMovieWidth, kMovieHeight, kMovieFps, frames.data(),
                                                kMovieFrames, pcm.data(), pcm.size() / 2, 2, rate, 3000000))
            std::fprintf(stderr, "media_bench: could not write %s\n", p.c_str());
        return p;
    }();
    return path;
}

void BM_FullWindowMovie720p(benchmark::State& state) {
    const std::string name = "file:" + Movie720p();
    platform::SelectVideoDriver(true);
    platform::SelectAudioDevice(true);
    core::Current().quit = 0;
    core::Current().state = core::StatePlay;
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        double c0 = ProcessCpuSeconds();
        auto w0 = std::chrono::steady_clock::now();
        int result = movie::PlayFullWindowMovie(name.c_str(), false);
        double w = std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
        double c = ProcessCpuSeconds() - c0;
        if (result != 1) {
            state.SkipWithError("the movie did not play");
            break;
        }
        state.SetIterationTime(w);
        cpu += c;
        wall += w;
    }
    core::Current().state = core::StateNone;
    platform::CloseAudioDevice();
    if (wall > 0) {
        state.counters["core_share_pct"] = 100.0 * cpu / wall;
        state.counters["movie_s"] = static_cast<double>(kMovieFrames) / kMovieFps;
    }
}
BENCHMARK(BM_FullWindowMovie720p)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// 32 stereo 44.1 kHz voices, each with its own gain and pan, kept fed as the
// stream threads keep them; one iteration mixes one second.
void BM_OpenAlThirtyTwoSounds(benchmark::State& state) {
    constexpr int kRate = 44100, kVoices = 32, kChunk = 4096, kPeriod = 1024;
    setenv("ALSOFT_DRIVERS", "null", 0);
    const platform::AudioDevice* device = platform::OpenAudioLoopback(kRate);
    if (!device) {
        state.SkipWithError("OpenAL Soft offers no loopback device here");
        return;
    }
    std::vector<int16_t> pcm(static_cast<size_t>(kChunk) * 2);
    std::vector<platform::AudioVoice*> voices;
    for (int v = 0; v < kVoices; ++v) {
        for (int i = 0; i < kChunk; ++i)
            pcm[2 * i] = pcm[2 * i + 1] =
                static_cast<int16_t>(3000 * std::sin(2 * M_PI * (220.0 + 17 * v) * i / kRate));
        platform::AudioVoice* voice = device->createVoice(platform::AudioFormat{2, kRate, 16});
        if (!voice) break;
        device->setGain(voice, 0.5f + 0.01f * v);
        device->setPan(voice, 1.0f - v / 64.0f, 0.5f + v / 64.0f);
        // Most play off their own rate (SetFrequency), so the mixer resamples.
        device->setPitch(voice, 0.8f + 0.0125f * v);
        for (int b = 0; b < 4; ++b) device->queue(voice, pcm.data(), pcm.size() * 2);
        device->play(voice);
        voices.push_back(voice);
    }
    std::vector<float> out(static_cast<size_t>(kPeriod) * 2);
    double c0 = ProcessCpuSeconds();
    double square = 0;
    size_t samples = 0;
    for (auto _ : state) {
        for (int done = 0; done < kRate; done += kPeriod) {
            platform::RenderAudioLoopback(out.data(), kPeriod);
            for (float f : out) square += static_cast<double>(f) * f;
            samples += out.size();
            for (platform::AudioVoice* voice : voices)
                for (int n = device->consumed(voice); n > 0; --n) device->queue(voice, pcm.data(), pcm.size() * 2);
        }
        benchmark::DoNotOptimize(out.data());
    }
    double cpu = ProcessCpuSeconds() - c0;
    state.counters["voices"] = static_cast<double>(voices.size());
    // The mix is not silence: every voice is heard.
    if (samples) state.counters["mix_rms"] = std::sqrt(square / static_cast<double>(samples));
    // One iteration is one second of sound: its CPU time is the share of a core.
    if (state.iterations() > 0) state.counters["core_share_pct"] = 100.0 * cpu / static_cast<double>(state.iterations());
    for (platform::AudioVoice* voice : voices) device->destroyVoice(voice);
    device->close();
}
BENCHMARK(BM_OpenAlThirtyTwoSounds)->Unit(benchmark::kMillisecond);

}  // namespace

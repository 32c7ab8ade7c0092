// The movie decoder: generated movies read back frame by frame with their
// times and sound, seeking, and broken files refused without harm.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "movie_fixtures.h"
#include "platform/movie_source.h"
#include "support/support.h"

namespace {

using movie_test::MovieSpec;
using testing_support::TempDir;

const std::vector<uint32_t> kColours = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF102030};

struct Read {
    std::vector<std::pair<uint32_t, uint32_t>> frames;  // time, first pixel
    std::vector<uint8_t> pcm;
    bool uniform = true;  // every pixel of every frame equal to its first
    int end = 0;
};

Read ReadAllUnits(platform::MovieSource* s) {
    Read r;
    for (int guard = 0; guard < 100000; ++guard) {
        platform::MovieUnit u = platform::ReadMovieUnit(s);
        if (u.kind == platform::kMovieUnitVideo) {
            uint32_t first;
            std::memcpy(&first, u.data, 4);
            for (size_t i = 0; i < u.bytes; i += 4) r.uniform = r.uniform && std::memcmp(u.data + i, &first, 4) == 0;
            r.frames.emplace_back(u.timeMs, first);
        } else if (u.kind == platform::kMovieUnitAudio) {
            r.pcm.insert(r.pcm.end(), u.data, u.data + u.bytes);
        } else {
            r.end = u.kind;
            break;
        }
    }
    return r;
}

TEST(MovieSource, ReadsFramesTimesAndSoundInEveryContainer) {
    struct Case {
        const char* file;
        int channels;
    } cases[] = {{"b.mkv", 2}, {"c.avi", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempDir dir;
        MovieSpec spec;
        spec.colours = kColours;
        spec.toneMs = 500;
        spec.channels = c.channels;
        std::string path = dir.path + "/" + c.file;
        ASSERT_TRUE(movie_test::WriteSolidMovie(path, spec));
        platform::MovieInfo info;
        platform::MovieSource* s = platform::OpenMovieFile(path.c_str(), &info);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(info.width, 16);
        EXPECT_EQ(info.height, 8);
        EXPECT_NEAR(static_cast<int>(info.durationMs), 500, 30) << c.file;
        EXPECT_TRUE(info.hasAudio);
        EXPECT_EQ(info.audioChannels, c.channels);
        EXPECT_EQ(info.audioRate, 8000);
        Read r = ReadAllUnits(s);
        EXPECT_EQ(r.end, platform::kMovieUnitEnd);
        ASSERT_EQ(r.frames.size(), kColours.size());
        for (size_t i = 0; i < kColours.size(); ++i) {
            EXPECT_EQ(r.frames[i].first, i * 100) << i;
            EXPECT_EQ(r.frames[i].second, kColours[i]) << i;
        }
        EXPECT_TRUE(r.uniform);
        std::vector<int16_t> tone = movie_test::TonePcm(spec);
        ASSERT_EQ(r.pcm.size(), tone.size() * 2);
        EXPECT_EQ(std::memcmp(r.pcm.data(), tone.data(), r.pcm.size()), 0);
        platform::CloseMovieSource(s);
    }
}

TEST(MovieSource, SeeksToTheFrameShowingAtThatTime) {
    TempDir dir;
    MovieSpec spec;
    spec.colours = kColours;
    std::string path = dir.path + "/m.mkv";
    ASSERT_TRUE(movie_test::WriteSolidMovie(path, spec));
    platform::MovieSource* s = platform::OpenMovieFile(path.c_str(), nullptr);
    ASSERT_NE(s, nullptr);
    struct Case {
        uint32_t to, time;
        uint32_t colour;
    } cases[] = {{350, 300, kColours[3]}, {0, 0, kColours[0]}, {100, 100, kColours[1]}, {499, 400, kColours[4]}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        ASSERT_TRUE(platform::SeekMovie(s, c.to));
        Read r = ReadAllUnits(s);
        ASSERT_FALSE(r.frames.empty());
        EXPECT_EQ(r.frames[0].first, c.time);
        EXPECT_EQ(r.frames[0].second, c.colour);
        EXPECT_EQ(r.frames.back().second, kColours.back());
    }
    platform::CloseMovieSource(s);
}

// Bytes in memory as a byte source, counting that it is closed.
struct Memory {
    std::string bytes;
    size_t at = 0;
    int closed = 0;
};
platform::MovieByteSource MemorySource(Memory* m) {
    platform::MovieByteSource b;
    b.context = m;
    b.size = static_cast<int64_t>(m->bytes.size());
    b.read = [](void* c, uint8_t* dest, int n) {
        auto* m = static_cast<Memory*>(c);
        size_t k = std::min(static_cast<size_t>(n), m->bytes.size() - m->at);
        std::memcpy(dest, m->bytes.data() + m->at, k);
        m->at += k;
        return static_cast<int>(k);
    };
    b.seek = [](void* c, int64_t offset, int origin) -> int64_t {
        auto* m = static_cast<Memory*>(c);
        int64_t base = origin == 0 ? 0 : origin == 1 ? static_cast<int64_t>(m->at) : static_cast<int64_t>(m->bytes.size());
        int64_t p = base + offset;
        if (p < 0 || p > static_cast<int64_t>(m->bytes.size())) return -1;
        m->at = static_cast<size_t>(p);
        return p;
    };
    b.close = [](void* c) { static_cast<Memory*>(c)->closed += 1; };
    return b;
}

// `good` with a run of its middle bytes overwritten.
std::string Scrambled(std::string good, const std::string& garbage) {
    size_t at = good.size() / 3, n = std::min<size_t>(200, good.size() - at);
    good.replace(at, n, garbage.substr(0, n));
    return good;
}

TEST(MovieSource, BrokenDataIsRefusedOrEndsEarlyWithoutHarm) {
    TempDir dir;
    MovieSpec spec;
    spec.colours = kColours;
    spec.toneMs = 500;
    ASSERT_TRUE(movie_test::WriteSolidMovie(dir.path + "/m.mkv", spec));
    std::string good = testing_support::ReadAll(dir.path + "/m.mkv");
    ASSERT_GT(good.size(), 400u);
    std::string garbage(4000, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919) >> 3);
    struct Case {
        const char* what;
        std::string bytes;
        bool opens;
    } cases[] = {
        {"empty", "", false},
        {"garbage", garbage, false},
        {"first bytes only", good.substr(0, 40), false},
        {"cut in the middle", good.substr(0, good.size() / 2), true},
        {"middle bytes scrambled", Scrambled(good, garbage), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Memory m{c.bytes};
        platform::MovieSource* s = platform::OpenMovieSource(MemorySource(&m), c.what, nullptr);
        if (!c.opens) {
            EXPECT_EQ(s, nullptr);
            EXPECT_EQ(m.closed, 1);
            continue;
        }
        if (!s) continue;  // refusing damaged data is as good as reading part of it
        Read r = ReadAllUnits(s);
        EXPECT_NE(r.end, platform::kMovieUnitVideo);
        EXPECT_LE(r.frames.size(), kColours.size());
        platform::CloseMovieSource(s);
        EXPECT_EQ(m.closed, 1);
    }
}

}  // namespace

// The argument forms of the sound commands: values that may be relative to
// the current one or name a variable, and loop counts.
#include <gtest/gtest.h>

#include "script/variables.h"
#include <initializer_list>
#include <vector>

#include "sound/sound_commands.h"
#include "sound/sound_object.h"

namespace {

TEST(SoundArguments, ValuesAreAbsoluteOrAddedToTheCurrentOne) {
    script::SetNumber(script::GetOrCreateExact("#step"), 150);
    script::SetText(script::GetOrCreateExact("$step"), "-40");
    struct Case {
        const char* text;
        int32_t current, scale;
        bool ok;
        int32_t value;
    } cases[] = {
        {"500", 1000, 1, true, 500},      {"@-200", 1000, 1, true, 800},
        {"@#step", 100, 1, true, 250},    {"@$step", 100, 1, true, 60},
        {"\"300\"", 0, 1, true, 0},       // read plain: a quoted number reads as 0
        {"-25", 0, 10, true, -250},       // pan: tenths of a per cent
        {"@50", -100, 10, true, 400},     {"", 0, 1, false, 0},
        {"@1e12", 0, 1, true, 2147483647},
    };
    for (const Case& c : cases) {
        int32_t out = -1;
        EXPECT_EQ(sound::ValueArgument(c.text, c.current, c.scale, &out), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(out, c.value) << c.text;
        }
    }
    int32_t out = 0;
    EXPECT_FALSE(sound::ValueArgument(nullptr, 0, 1, &out));
}

TEST(SoundArguments, LoopCounts) {
    script::SetNumber(script::GetOrCreateExact("#loops"), 4);
    script::SetText(script::GetOrCreateExact("$loops"), "2");
    struct Case {
        const char* text;
        int32_t count;
    } cases[] = {
        {"TRUE", -1}, {"true", -1}, {"\"True\"", 0}, {"FALSE", 0}, {"fAlSe", 0},
        {"3", 3},     {"0", 0},     {"#loops", 4},    {"$loops", 2}, {"-1", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(sound::LoopArgument(c.text), c.count) << c.text;
}

}  // namespace

namespace {

// The level of a block: four samples (first, quarter, half, last), their
// absolute values summed over the channels, / 4 mono or / 8 stereo.
TEST(SoundLevel, FourSamplesOfABlock) {
    auto s16 = [](std::initializer_list<int> samples) {
        std::vector<uint8_t> out;
        for (int v : samples) {
            out.push_back(static_cast<uint8_t>(v & 0xff));
            out.push_back(static_cast<uint8_t>((v >> 8) & 0xff));
        }
        return out;
    };
    sound::PcmFormat mono16{1, 1, 8000, 16000, 2, 16};
    sound::PcmFormat stereo16{1, 2, 8000, 32000, 4, 16};
    sound::PcmFormat mono8{1, 1, 8000, 8000, 1, 8};
    // 8 frames: samples 0, 2, 4 and 7 are taken.
    std::vector<uint8_t> m = s16({400, 9, -800, 9, 1200, 9, 9, -1600});
    EXPECT_EQ(sound::BlockAmplitude(m.data(), m.size(), mono16), (400u + 800 + 1200 + 1600) / 4);
    std::vector<uint8_t> st = s16({100, -100, 5, 5, 200, -200, 5, 5});  // 4 frames: 0, 1, 2, 3
    EXPECT_EQ(sound::BlockAmplitude(st.data(), st.size(), stereo16), (200u + 10 + 400 + 10) / 8);
    std::vector<uint8_t> b = {128, 0, 255, 128};  // silence, -128, +127, silence
    EXPECT_EQ(sound::BlockAmplitude(b.data(), b.size(), mono8), (0u + 128 + 127 + 0) / 4);
    EXPECT_EQ(sound::BlockAmplitude(m.data(), 1, mono16), 0u);  // less than a frame
}

}  // namespace

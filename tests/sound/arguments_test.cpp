// The argument forms of the sound commands: values that may be relative to
// the current one or name a variable, and loop counts.
#include <gtest/gtest.h>

#include "script/variables.h"
#include "sound/sound_commands.h"

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
        {"\"300\"", 0, 1, true, 300},     {"-25", 0, 10, true, -250},  // pan: tenths of a per cent
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
        {"TRUE", -1}, {"true", -1}, {"\"True\"", -1}, {"FALSE", 0}, {"fAlSe", 0},
        {"3", 3},     {"0", 0},     {"#loops", 4},    {"$loops", 2}, {"-1", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(sound::LoopArgument(c.text), c.count) << c.text;
}

}  // namespace

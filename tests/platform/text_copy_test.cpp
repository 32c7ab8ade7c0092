// Bounded copies into fixed buffers: never past the buffer, always terminated.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/text_copy.h"

namespace {

TEST(CopyText, TruncatesTerminatesAndNeverWritesPastTheBuffer) {
    struct Case {
        const char* text;
        size_t size;
        std::string expected;
    };
    const Case cases[] = {
        {"abc", 8, "abc"},
        {"abcdefgh", 8, "abcdefg"},   // exactly one byte too long
        {"abcdefg", 8, "abcdefg"},    // fills the buffer with its terminator
        {"", 8, ""},
        {nullptr, 8, ""},
        {"abc", 1, ""},
        // Shift-JIS with a 0x5C trail byte copies byte for byte.
        {"\x95\x5C\x8E\xA6", 8, "\x95\x5C\x8E\xA6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        char buffer[16];
        std::memset(buffer, 'x', sizeof buffer);
        size_t n = platform::CopyText(buffer, c.size, c.text);
        EXPECT_EQ(std::string(buffer), c.expected);
        EXPECT_EQ(n, c.expected.size());
        for (size_t i = c.size; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], 'x') << i;
    }
}

TEST(CopyText, ZeroSizeWritesNothing) {
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(platform::CopyText(buffer, 0, "abc"), 0u);
    EXPECT_EQ(buffer[0], 'x');
}

}  // namespace

// The backlog stream: the wrapping rules, voice markers, a full stream, the
// row walk of the grid, and the save record's round trip and refusals.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/engine.h"
#include "text/backlog.h"
#include "text/state.h"

namespace text_test {
namespace {

constexpr uint16_t kComma = 0x8141;    // "、" (Shift-JIS)
constexpr uint16_t kOpen = 0x8175;     // "「"
constexpr uint16_t kSoft = 9, kLine = 10, kRow = 13;

class BacklogStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved = core::Current().settings;
        Configure(4);
    }
    void TearDown() override {
        core::Current().settings = saved;
        text::BacklogReadSettings();
        text::BacklogClear();
    }
    // Row width and the wrapping lists ("、" may not start a row, "「" may
    // not end one).
    static void Configure(int wordInRow) {
        core::Settings& s = core::Current().settings;
        s.wordInRow = wordInRow;
        s.badStart = "\x81\x41";
        s.badEnd = "\x81\x75";
        text::BacklogReadSettings();
        text::BacklogClear();
    }
    static text::Backlog& B() { return text::State().backlog; }
    static std::vector<uint16_t> Units() {
        text::Backlog& b = B();
        std::lock_guard<std::mutex> hold(b.lock);
        if (!b.stream) return {};
        return std::vector<uint16_t>(b.stream.get(), b.stream.get() + b.end);
    }
    static void Append(const std::vector<uint32_t>& codes) {
        for (uint32_t c : codes) text::BacklogAppendCode(c);
    }
    core::Settings saved;
};

std::vector<uint16_t> Marker(const std::string& voiceClass, const std::string& file) {
    std::vector<uint16_t> u = {16, 17};
    for (unsigned char c : voiceClass) u.push_back(c);
    u.push_back(17);
    for (unsigned char c : file) u.push_back(c);
    u.push_back(16);
    return u;
}

TEST_F(BacklogStreamTest, WrappingRules) {
    const struct {
        const char* name;
        int wordInRow;
        std::vector<uint32_t> codes;
        std::vector<uint16_t> units;
        int rows, column;
    } cases[] = {
        {"a full row ends in a row break", 4, {'a', 'b', 'c', 'd'}, {'a', 'b', 'c', 'd', kRow}, 1, 0},
        {"a comma after a wrap moves up to the row before", 4, {'a', 'b', 'c', 'd', kComma},
         {'a', 'b', 'c', 'd', kComma, kSoft}, 1, 0},
        {"a comma after an explicit break moves up too", 4, {'a', kLine, kComma},
         {'a', kComma, kSoft}, 1, 0},
        {"a bad_end character filling the row is pushed to the next", 4, {'a', 'b', 'c', kOpen},
         {'a', 'b', 'c', kSoft, kOpen}, 1, 1},
        // The pushed character counts in its new row: three more fill it.
        {"the pushed row already holds one character", 4, {'a', 'b', 'c', kOpen, 'x', 'y', 'z'},
         {'a', 'b', 'c', kSoft, kOpen, 'x', 'y', 'z', kRow}, 2, 0},
        {"an explicit break after a wrap gives one break", 4, {'a', 'b', 'c', 'd', kLine},
         {'a', 'b', 'c', 'd', kLine}, 1, 0},
        {"an explicit break after a soft break replaces it", 4, {'a', 'b', 'c', 'd', kComma, kLine},
         {'a', 'b', 'c', 'd', kComma, kLine}, 1, 0},
        {"two explicit breaks make an empty row", 4, {'a', kLine, kLine}, {'a', kLine, kLine}, 2, 0},
        {"control codes are not characters", 4, {'a', 0, 9, 13, 16, 17, 'b'}, {'a', 'b'}, 0, 2},
        {"a pair glyph goes in as its two characters", 4, {0x21003F}, {'!', '?'}, 0, 2},
        {"word_in_row 0 holds one character a row", 0, {'a', 'b'}, {'a', kRow, 'b', kRow}, 2, 0},
        {"word_in_row 40 holds 32", 40, std::vector<uint32_t>(32, 'x'), {}, 1, 0},
    };
    for (const auto& c : cases) {
        Configure(c.wordInRow);
        Append(c.codes);
        if (!c.units.empty()) {
            EXPECT_EQ(Units(), c.units) << c.name;
        }
        EXPECT_EQ(B().rows, c.rows) << c.name;
        EXPECT_EQ(B().column, c.column) << c.name;
    }
}

TEST_F(BacklogStreamTest, VoiceMarkersGoBeforeTheirTextAndAreKeptWhole) {
    text::BacklogAppendVoice("hero", "voice/v01");
    Append({'a', 'b'});
    std::vector<uint16_t> expected = Marker("hero", "voice/v01");
    expected.push_back('a');
    expected.push_back('b');
    EXPECT_EQ(Units(), expected);
    EXPECT_EQ(B().column, 2) << "a marker takes no place in the row";

    // Names with a byte that would end the marker, and a marker without a
    // file, are not recorded.
    text::BacklogClear();
    text::BacklogAppendVoice("he\x10ro", "voice/v01");
    text::BacklogAppendVoice("hero", "");
    EXPECT_TRUE(Units().empty());

    // A Shift-JIS name whose trail byte is 0x5C ("表" is 0x95 0x5C).
    text::BacklogAppendVoice("\x95\x5C", "v\\x");
    EXPECT_EQ(Units(), Marker("\x95\x5C", "v\\x"));
}

TEST_F(BacklogStreamTest, AFullStreamDropsWhatDoesNotFitWhole) {
    text::BacklogAppendCode('a');  // makes the stream
    const std::vector<uint16_t> marker = Marker("c", "f");
    const struct {
        const char* name;
        size_t roomLeft;
        bool voice;
        size_t grows;
    } cases[] = {
        {"a character with room for its break", 2, false, 1},
        {"a character without room for a break", 1, false, 0},
        {"a marker that fits", marker.size(), true, marker.size()},
        {"a marker one unit too long", marker.size() - 1, true, 0},
    };
    for (const auto& c : cases) {
        text::Backlog& b = B();
        {
            std::lock_guard<std::mutex> hold(b.lock);
            b.end = text::kBacklogUnits - c.roomLeft;
            b.stream[b.end - 1] = 'z';
            b.column = 0;
        }
        if (c.voice)
            text::BacklogAppendVoice("c", "f");
        else
            text::BacklogAppendCode('a');
        EXPECT_EQ(b.end, text::kBacklogUnits - c.roomLeft + c.grows) << c.name;
    }
    text::BacklogClear();
}

TEST_F(BacklogStreamTest, TheGridStartsRowMaxPlusScrollRowsBack) {
    // Rows: "a" / marker "b" / "c" / "d", each ended by a line break.
    std::vector<uint16_t> u = {'a', kLine};
    std::vector<uint16_t> m = Marker("x", "y");
    u.insert(u.end(), m.begin(), m.end());
    u.insert(u.end(), {'b', kLine, 'c', kRow, 'd', kLine});
    const size_t rowB = 2, rowC = rowB + m.size() + 2, rowD = rowC + 2;
    const struct {
        int rowMax, scroll;
        size_t first;
    } cases[] = {
        {1, 0, rowD}, {2, 0, rowC}, {3, 0, rowB}, {4, 0, 0}, {17, 0, 0},
        {2, 1, rowB}, {2, 2, 0}, {2, 99, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text::BacklogFirstShownUnit(u.data(), u.size(), c.rowMax, c.scroll), c.first)
            << "rowMax " << c.rowMax << " scroll " << c.scroll;
    // An open last row counts as the newest row.
    u.push_back('e');
    EXPECT_EQ(text::BacklogFirstShownUnit(u.data(), u.size(), 1, 0), u.size() - 1);
}

TEST_F(BacklogStreamTest, TheSaveRecordRoundTrips) {
    text::BacklogAppendVoice("hero", "voice/v01");
    text::BacklogAppendText("\x82\xA0\x82\xA2 abc\r\nxyz");  // "あい abc" CR LF "xyz"
    const std::vector<uint16_t> before = Units();
    const int rows = B().rows, column = B().column;
    std::vector<uint8_t> record = text::BacklogSerialize(core::Current());
    ASSERT_EQ(record.size(), 20 + before.size() * 2);
    EXPECT_EQ(std::memcmp(record.data(), "CVSB", 4), 0);

    text::BacklogClear();
    text::BacklogAppendCode('q');
    ASSERT_TRUE(text::BacklogRestore(core::Current(), record.data(), record.size()));
    EXPECT_EQ(Units(), before);
    EXPECT_EQ(B().rows, rows);
    EXPECT_EQ(B().column, column);
    EXPECT_EQ(rows, 3) << "the CR LF inside the text and the final break, and a wrap at 4";
}

TEST_F(BacklogStreamTest, ABadRecordChangesNothing) {
    text::BacklogAppendText("keep");
    const std::vector<uint16_t> kept = Units();
    const std::vector<uint8_t> good = text::BacklogSerialize(core::Current());

    auto withUnits = [&](std::vector<uint16_t> units) {
        std::vector<uint8_t> r(good.begin(), good.begin() + 20);
        for (uint16_t u : units) {
            r.push_back(static_cast<uint8_t>(u));
            r.push_back(static_cast<uint8_t>(u >> 8));
        }
        uint32_t size = static_cast<uint32_t>(r.size());
        std::memcpy(r.data() + 8, &size, 4);
        return r;
    };
    std::vector<uint8_t> hugeCount = good;
    uint32_t huge = 0x7FFFFFF0;
    std::memcpy(hugeCount.data() + 8, &huge, 4);
    std::vector<uint8_t> badMagic = good;
    badMagic[0] = 'X';
    std::vector<uint8_t> badCheck = good;
    badCheck[4] ^= 1;
    const struct {
        const char* name;
        std::vector<uint8_t> record;
    } cases[] = {
        {"shorter than its header", std::vector<uint8_t>(good.begin(), good.begin() + 12)},
        {"a unit count beyond the record", hugeCount},
        {"wrong magic", badMagic},
        {"wrong check word", badCheck},
        {"a marker without its end", withUnits({'a', 16, 17, 'c', 17, 'f'})},
        {"a marker without a file", withUnits({16, 17, 'c', 17, 16})},
        {"a marker holding a line break", withUnits({16, 17, 'c', 17, 'f', 10, 'g', 16})},
        {"a stray split unit", withUnits({'a', 17, 'b'})},
        {"a stray control unit", withUnits({'a', 3, 'b'})},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(text::BacklogRestore(core::Current(), c.record.data(), c.record.size())) << c.name;
        EXPECT_EQ(Units(), kept) << c.name;
    }
    // A 0 unit ends the stream.
    std::vector<uint8_t> zero = withUnits({'a', 'b', 0, 'c'});
    ASSERT_TRUE(text::BacklogRestore(core::Current(), zero.data(), zero.size()));
    EXPECT_EQ(Units(), (std::vector<uint16_t>{'a', 'b'}));
}

}  // namespace
}  // namespace text_test

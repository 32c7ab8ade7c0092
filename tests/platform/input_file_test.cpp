// The timed input-file format of headless runs.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/headless.h"
#include "platform/messages.h"
#include "platform/msgbox.h"

namespace {

using namespace platform;

struct Expected {
    uint32_t time;
    uint32_t code;  // kMsgNone for an answer
    int64_t param;
    int x, y;
    int answer;
};

struct GoodCase {
    const char* what;
    const char* text;
    std::vector<Expected> events;
};

TEST(InputFile, GoodLines) {
    const GoodCase cases[] = {
        {"key down and up", "0 key ENTER down\n15 key ENTER up\n",
         {{0, kMsgKeyDown, kVkReturn, 0, 0, 0}, {15, kMsgKeyUp, kVkReturn, 0, 0, 0}}},
        {"every named key",
         "1 key SPACE down\n1 key ESCAPE down\n1 key SHIFT down\n1 key CTRL down\n1 key TAB down\n"
         "1 key UP down\n1 key DOWN down\n1 key LEFT down\n1 key RIGHT down\n1 key PAGEUP down\n"
         "1 key PAGEDOWN down\n1 key HOME down\n1 key END down\n1 key F1 down\n1 key A down\n"
         "1 key Z down\n",
         {{1, kMsgKeyDown, kVkSpace, 0, 0, 0},    {1, kMsgKeyDown, kVkEscape, 0, 0, 0},
          {1, kMsgKeyDown, kVkShift, 0, 0, 0},    {1, kMsgKeyDown, kVkControl, 0, 0, 0},
          {1, kMsgKeyDown, kVkTab, 0, 0, 0},      {1, kMsgKeyDown, kVkUp, 0, 0, 0},
          {1, kMsgKeyDown, kVkDown, 0, 0, 0},     {1, kMsgKeyDown, kVkLeft, 0, 0, 0},
          {1, kMsgKeyDown, kVkRight, 0, 0, 0},    {1, kMsgKeyDown, kVkPageUp, 0, 0, 0},
          {1, kMsgKeyDown, kVkPageDown, 0, 0, 0}, {1, kMsgKeyDown, kVkHome, 0, 0, 0},
          {1, kMsgKeyDown, kVkEnd, 0, 0, 0},      {1, kMsgKeyDown, kVkF1, 0, 0, 0},
          {1, kMsgKeyDown, 'A', 0, 0, 0},         {1, kMsgKeyDown, 'Z', 0, 0, 0}}},
        {"click is a press and a release 50 ms later", "100 click 10 20\n",
         {{100, kMsgLButtonDown, 0, 10, 20, 0}, {150, kMsgLButtonUp, 0, 10, 20, 0}}},
        {"right click, move, wheel", "5 rclick 1023 767\n7 move -3 4\n9 wheel up\n10 wheel down\n",
         {{5, kMsgRButtonDown, 0, 1023, 767, 0},
          {7, kMsgMouseMove, 0, -3, 4, 0},
          {9, kMsgMouseWheel, 120, 0, 0, 0},
          {10, kMsgMouseWheel, -120, 0, 0, 0},
          {55, kMsgRButtonUp, 0, 1023, 767, 0}}},
        {"press, drag and release: moves between carry the left button",
         "10 move 1 1\n20 press 5 6\n30 move 7 6\n40 release 9 6\n50 move 9 7\n",
         {{10, kMsgMouseMove, 0, 1, 1, 0},
          {20, kMsgLButtonDown, 0, 5, 6, 0},
          {30, kMsgMouseMove, kMkLButton, 7, 6, 0},
          {40, kMsgLButtonUp, 0, 9, 6, 0},
          {50, kMsgMouseMove, 0, 9, 7, 0}}},
        {"a move inside a click's 50 ms drags as well; a right button does not",
         "100 click 10 20\n120 move 11 20\n200 rclick 3 3\n210 move 4 3\n",
         {{100, kMsgLButtonDown, 0, 10, 20, 0},
          {120, kMsgMouseMove, kMkLButton, 11, 20, 0},
          {150, kMsgLButtonUp, 0, 10, 20, 0},
          {200, kMsgRButtonDown, 0, 3, 3, 0},
          {210, kMsgMouseMove, 0, 4, 3, 0},
          {250, kMsgRButtonUp, 0, 3, 3, 0}}},
        {"close and answers", "11 close\n12 answer YES\n13 answer IGNORE\n",
         {{11, kMsgClose, 0, 0, 0, 0}, {12, kMsgNone, 0, 0, 0, kIdYes}, {13, kMsgNone, 0, 0, 0, kIdIgnore}}},
        {"comments, blank lines, CR LF and extra spaces",
         "# header\r\n\r\n   \r\n  # indented comment\r\n 20   key   A   down \r\n",
         {{20, kMsgKeyDown, 'A', 0, 0, 0}}},
        {"events are ordered by time, equal times keep file order",
         "300 close\n100 key B down\n100 key C down\n",
         {{100, kMsgKeyDown, 'B', 0, 0, 0}, {100, kMsgKeyDown, 'C', 0, 0, 0}, {300, kMsgClose, 0, 0, 0, 0}}},
        {"an empty file", "", {}},
    };
    for (const GoodCase& c : cases) {
        std::vector<TimedInput> out;
        std::string error;
        ASSERT_TRUE(ParseHeadlessInput(c.text, &out, &error)) << c.what << ": " << error;
        ASSERT_EQ(out.size(), c.events.size()) << c.what;
        for (size_t i = 0; i < out.size(); ++i) {
            const Expected& e = c.events[i];
            EXPECT_EQ(out[i].timeMs, e.time) << c.what << " #" << i;
            EXPECT_EQ(out[i].message.code, e.code) << c.what << " #" << i;
            EXPECT_EQ(out[i].message.param, e.param) << c.what << " #" << i;
            EXPECT_EQ(out[i].message.x, e.x) << c.what << " #" << i;
            EXPECT_EQ(out[i].message.y, e.y) << c.what << " #" << i;
            EXPECT_EQ(out[i].answer, e.answer) << c.what << " #" << i;
        }
    }
}

// The example the README gives, as written there: comments after events.
TEST(InputFile, ReadmeExampleWithTrailingComments) {
    const char* text =
        "# comments and blank lines are ignored\n"
        "500  key ENTER down          # NAME: ENTER SPACE ESCAPE SHIFT CTRL TAB UP DOWN LEFT RIGHT\n"
        "550  key ENTER up            #       PAGEUP PAGEDOWN HOME END F1 A..Z\n"
        "900  click 512 400           # left button down, up 50 ms later, frame coordinates\n"
        "1200 rclick 10 10\n"
        "1300 move 100 200\n"
        "1350 press 100 200           # left button down ...\n"
        "1380 move 160 200            # ... a move while it is down drags\n"
        "1390 release 160 200         # ... and up\n"
        "1400 wheel up                # or down\n"
        "1500 answer YES              # the next message box: OK CANCEL YES NO ABORT RETRY IGNORE\n"
        "9000 close\n";
    std::vector<TimedInput> out;
    std::string error;
    ASSERT_TRUE(ParseHeadlessInput(text, &out, &error)) << error;
    // click and rclick give two events each.
    ASSERT_EQ(out.size(), 13u);
    EXPECT_EQ(out[0].message.code, kMsgKeyDown);
    EXPECT_EQ(out[0].message.param, kVkReturn);
    EXPECT_EQ(out[2].message.code, kMsgLButtonDown);
    EXPECT_EQ(out[2].message.x, 512);
    EXPECT_EQ(out[11].answer, kIdYes);
    EXPECT_EQ(out[12].message.code, kMsgClose);
    EXPECT_EQ(out[12].timeMs, 9000u);
    // A comment does not hide a malformed event before it.
    EXPECT_FALSE(ParseHeadlessInput("10 key ENTER # down\n", &out, &error));
    EXPECT_NE(error.find("input line 1:"), std::string::npos) << error;
}

TEST(InputFile, MalformedLinesAreNamed) {
    const struct {
        const char* text;
        int line;
    } cases[] = {
        {"key ENTER down\n", 1},           // no time
        {"-5 close\n", 1},                  // negative time
        {"5x close\n", 1},                  // junk after the time
        {"99999999999 close\n", 1},         // time out of range
        {"# ok\n10 key ENTER\n", 2},        // missing direction
        {"10 key ENTER sideways\n", 1},
        {"10 key enter down\n", 1},         // names are upper case
        {"10 key AA down\n", 1},
        {"10 key F2 down\n", 1},
        {"10 click 1\n", 1},
        {"10 click x 2\n", 1},
        {"10 click 1 2 3\n", 1},
        {"10 press 1\n", 1},
        {"10 release 1 2 3\n", 1},
        {"10 wheel left\n", 1},
        {"10 close now\n", 1},
        {"10 answer MAYBE\n", 1},
        {"10 answer\n", 1},
        {"10 jump\n", 1},
        {"10\n", 1},
        {"1 close\n\n\n4 move 1\n", 4},
    };
    for (const auto& c : cases) {
        std::vector<TimedInput> out;
        std::string error;
        EXPECT_FALSE(ParseHeadlessInput(c.text, &out, &error)) << c.text;
        EXPECT_NE(error.find("input line " + std::to_string(c.line) + ":"), std::string::npos)
            << c.text << " -> " << error;
    }
}

TEST(InputFile, WaitLinesStartSegments) {
    std::vector<TimedInput> out;
    std::vector<InputGate> gates;
    std::string error;
    ASSERT_TRUE(ParseHeadlessInput("100 key ENTER down\n"
                                   "wait-input\n"
                                   "0 click 10 20           # counts from the wait\n"
                                   "300 wait-idle\n"
                                   "20 close\n",
                                   &out, &error, &gates))
        << error;
    ASSERT_EQ(gates.size(), 2u);
    EXPECT_EQ(gates[0].kind, GameGate::kInput);
    EXPECT_EQ(gates[0].notBeforeMs, 0u);
    EXPECT_EQ(gates[1].kind, GameGate::kIdle);
    EXPECT_EQ(gates[1].notBeforeMs, 300u);
    ASSERT_EQ(out.size(), 4u);
    const int segments[] = {0, 1, 1, 2};
    const uint32_t times[] = {100, 0, 50, 20};
    for (size_t i = 0; i < out.size(); ++i) {
        EXPECT_EQ(out[i].segment, segments[i]) << i;
        EXPECT_EQ(out[i].timeMs, times[i]) << i;
    }
    // A wait line takes no arguments after its word.
    EXPECT_FALSE(ParseHeadlessInput("wait-input now\n", &out, &error, &gates));
    EXPECT_FALSE(ParseHeadlessInput("x wait-idle\n", &out, &error, &gates));
}

// The driver holds the events after a wait line until the game's counters
// say it got there, then counts their times from that moment.
std::atomic<uint32_t> g_inputWaits{0};
std::atomic<uint32_t> g_frames{0};
std::atomic<int> g_busy{1};
uint32_t FakeInputWaits() { return g_inputWaits.load(); }
uint32_t FakeFrames() { return g_frames.load(); }
int FakeBusy() { return g_busy.load(); }

TEST(InputFile, WaitLinesHoldEventsUntilTheGameGetsThere) {
    const VideoDriver& driver = HeadlessVideoDriver();
    std::vector<TimedInput> events;
    std::vector<InputGate> gates;
    std::string error;
    ASSERT_TRUE(ParseHeadlessInput("0 key A down\nwait-input\n0 key B down\nwait-idle\n0 key C down\n", &events,
                                   &error, &gates));
    HeadlessGameProbe probe;
    probe.inputWaits = FakeInputWaits;
    probe.frames = FakeFrames;
    probe.lastFrameBusy = FakeBusy;
    SetHeadlessGameProbe(probe);
    SetHeadlessInput(events, gates);
    Message m;
    ASSERT_TRUE(driver.waitMessage(&m, 1000));
    EXPECT_EQ(m.param, 'A');
    // Nothing more until a script begins an input wait.
    EXPECT_FALSE(driver.pollMessage(&m));
    g_inputWaits = 1;
    ASSERT_TRUE(driver.waitMessage(&m, 10000));
    EXPECT_EQ(m.param, 'B');
    // Busy frames keep the idle gate shut; one quiet frame after two steps opens it.
    g_frames += 5;
    EXPECT_FALSE(driver.pollMessage(&m));
    g_busy = 0;
    ASSERT_TRUE(driver.waitMessage(&m, 10000));
    EXPECT_EQ(m.param, 'C');
    SetHeadlessGameProbe(HeadlessGameProbe{});
    SetHeadlessInput({});
}

}  // namespace

#include "platform/headless.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/clock.h"
#include "platform/encoding.h"
#include "platform/msgbox.h"

namespace platform {

namespace {

struct HeadlessState {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Message> posted;
    std::vector<TimedInput> timed;  // sorted by segment, then time; consumed from the front
    size_t nextTimed = 0;
    std::atomic<uint32_t> startMs{0};  // read without the mutex by Elapsed()
    // The wait lines: gates[k] opens segment k + 1.
    std::vector<InputGate> gates;
    int segment = 0;            // the segment whose events are due now
    uint32_t segmentStart = 0;  // TimeMs() when it began
    // The game's counters when the last line before the wait was handed out
    // (a click's press, not its release: the press may end one text stop
    // and the next may begin before the release is out): a wait-input gate
    // opens on an input wait begun after it, a wait-idle gate on a quiet
    // frame stepped after it.
    uint32_t inputMark = 0;
    uint32_t frameMark = 0;
    HeadlessGameProbe probe;
    std::vector<uint32_t> frame;
    bool presented = false;
    int mouseX = 0, mouseY = 0;
    DisplayMode mode = kWindowed;
    bool windowOpen = false;
};

HeadlessState& State() {
    static HeadlessState s;
    return s;
}

uint32_t Elapsed() { return TimeMs() - State().startMs; }

// Time within the current segment. Caller holds the mutex.
uint32_t SegmentElapsed(const HeadlessState& s) {
    return s.segment == 0 ? Elapsed() : TimeMs() - s.segmentStart;
}

// How long a pending gate is looked at again: the game's counters change
// without telling the driver.
constexpr int kGatePollMs = 5;

// Whether every event of the current segment was handed out. Caller holds the mutex.
bool SegmentDone(const HeadlessState& s) {
    return s.nextTimed >= s.timed.size() || s.timed[s.nextTimed].segment > s.segment;
}

// Opens the next segment when its gate lets it. Caller holds the mutex.
bool OpenNextSegment(HeadlessState& s) {
    if (static_cast<size_t>(s.segment) >= s.gates.size() || !SegmentDone(s)) return false;
    const InputGate& g = s.gates[static_cast<size_t>(s.segment)];
    if (SegmentElapsed(s) < g.notBeforeMs) return false;
    bool open = false;
    if (g.kind == GameGate::kInput) {
        open = s.probe.inputWaits && s.probe.inputWaits() != s.inputMark;
    } else {
        // A whole frame after the mark, and a quiet one.
        open = s.probe.frames && s.probe.lastFrameBusy && s.probe.frames() - s.frameMark >= 2 &&
               s.probe.lastFrameBusy() == 0;
    }
    if (!open) return false;
    ++s.segment;
    s.segmentStart = TimeMs();
    return true;
}

// Notes the game's counters as a line's first event is handed out.
// Caller holds the mutex.
void MarkDelivery(HeadlessState& s) {
    if (s.probe.inputWaits) s.inputMark = s.probe.inputWaits();
    if (s.probe.frames) s.frameMark = s.probe.frames();
}

bool ParseKeyName(const std::string& name, uint32_t* vk) {
    static const struct {
        const char* name;
        uint32_t vk;
    } kKeys[] = {
        {"ENTER", kVkReturn}, {"SPACE", kVkSpace},     {"ESCAPE", kVkEscape},
        {"SHIFT", kVkShift},  {"CTRL", kVkControl},    {"TAB", kVkTab},
        {"UP", kVkUp},        {"DOWN", kVkDown},       {"LEFT", kVkLeft},
        {"RIGHT", kVkRight},  {"PAGEUP", kVkPageUp},   {"PAGEDOWN", kVkPageDown},
        {"HOME", kVkHome},    {"END", kVkEnd},         {"F1", kVkF1},
    };
    for (const auto& k : kKeys)
        if (name == k.name) {
            *vk = k.vk;
            return true;
        }
    if (name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z') {
        *vk = static_cast<uint32_t>(name[0]);
        return true;
    }
    return false;
}

bool ParseAnswer(const std::string& word, int* id) {
    static const struct {
        const char* word;
        int id;
    } kWords[] = {{"OK", kIdOk},       {"CANCEL", kIdCancel}, {"YES", kIdYes}, {"NO", kIdNo},
                  {"ABORT", kIdAbort}, {"RETRY", kIdRetry},   {"IGNORE", kIdIgnore}};
    for (const auto& w : kWords)
        if (word == w.word) {
            *id = w.id;
            return true;
        }
    return false;
}

bool ParseInt(const std::string& s, long min, long max, long* out) {
    if (s.empty()) return false;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (*end || v < min || v > max) return false;
    *out = v;
    return true;
}

Message Make(uint32_t code, int64_t param, int x, int y) {
    Message m;
    m.code = code;
    m.param = param;
    m.x = x;
    m.y = y;
    return m;
}

// --- the driver ---

bool HCreateWindow(const char*, int, int) {
    HeadlessState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.frame.assign(static_cast<size_t>(kFrameWidth) * kFrameHeight, 0xFF000000u);
    s.windowOpen = true;
    return true;
}
void HDestroyWindow() {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().windowOpen = false;
}
void HSetTitle(const char*) {}
void HSetIcon(const uint32_t*, int, int) {}
void HSetCursor(CursorShape) {}
void HShowCursor(bool) {}

// Takes the next message that is due. Answers are left for message boxes.
// Caller holds the mutex.
bool TakeDue(HeadlessState& s, Message* out) {
    if (!s.posted.empty()) {
        *out = s.posted.front();
        s.posted.pop_front();
        return true;
    }
    for (;;) {
        uint32_t now = SegmentElapsed(s);
        if (s.nextTimed < s.timed.size() && s.timed[s.nextTimed].segment == s.segment &&
            s.timed[s.nextTimed].timeMs <= now)
            break;
        if (!OpenNextSegment(s)) return false;
    }
    {
        TimedInput& t = s.timed[s.nextTimed++];
        if (t.lineStart) MarkDelivery(s);
        if (t.message.code == kMsgNone) return TakeDue(s, out);  // an answer: see HeadlessMessageBox
        *out = t.message;
        out->time = TimeMs();
        if (out->code == kMsgMouseMove || out->code == kMsgLButtonDown ||
            out->code == kMsgLButtonUp || out->code == kMsgRButtonDown ||
            out->code == kMsgRButtonUp) {
            s.mouseX = out->x;
            s.mouseY = out->y;
        }
        return true;
    }
    return false;
}

// Time until the next timed message (not answer) of the current segment,
// the gate's poll interval while the next segment waits for the game, or -1.
int NextDueIn(HeadlessState& s) {
    for (size_t i = s.nextTimed; i < s.timed.size() && s.timed[i].segment == s.segment; ++i) {
        if (s.timed[i].message.code == kMsgNone) continue;
        int64_t d = static_cast<int64_t>(s.timed[i].timeMs) - SegmentElapsed(s);
        return d < 0 ? 0 : static_cast<int>(d);
    }
    if (static_cast<size_t>(s.segment) < s.gates.size()) return kGatePollMs;
    return -1;
}

bool HWaitMessage(Message* out, int timeoutMs) {
    HeadlessState& s = State();
    std::unique_lock<std::mutex> lock(s.mutex);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        if (TakeDue(s, out)) return true;
        int due = NextDueIn(s);
        auto now = std::chrono::steady_clock::now();
        if (timeoutMs >= 0 && now >= deadline) return false;
        auto until = timeoutMs >= 0 ? deadline : now + std::chrono::hours(24);
        if (due >= 0) until = std::min(until, now + std::chrono::milliseconds(due));
        s.changed.wait_until(lock, until);
    }
}

bool HPollMessage(Message* out) {
    std::lock_guard<std::mutex> lock(State().mutex);
    return TakeDue(State(), out);
}

void HPostMessage(const Message& message) {
    HeadlessState& s = State();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.posted.push_back(message);
        s.posted.back().time = TimeMs();
    }
    s.changed.notify_all();
}

void HPresent(const uint32_t* frame, int pitch, Rect dirty) {
    HeadlessState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.frame.empty()) s.frame.assign(static_cast<size_t>(kFrameWidth) * kFrameHeight, 0xFF000000u);
    int left = std::max(0, dirty.left), top = std::max(0, dirty.top);
    int right = std::min(kFrameWidth, dirty.right), bottom = std::min(kFrameHeight, dirty.bottom);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            s.frame[static_cast<size_t>(y) * kFrameWidth + x] = frame[static_cast<size_t>(y) * pitch + x] | 0xFF000000u;
    s.presented = true;
}

// The movie goes straight into the kept frame (nearest pixel), where the
// screenshot finds it; the engine's next present paints the frame over it.
void HPresentMovie(const uint32_t* pixels, int width, int height, int pitch, Rect area) {
    if (!pixels || width <= 0 || height <= 0 || pitch < width) return;
    const int64_t w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0) return;
    HeadlessState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.frame.empty()) s.frame.assign(static_cast<size_t>(kFrameWidth) * kFrameHeight, 0xFF000000u);
    int top = std::max(0, area.top), bottom = std::min(kFrameHeight, area.bottom);
    int left = std::max(0, area.left), right = std::min(kFrameWidth, area.right);
    if (left >= right) return;
    // The source column of each frame column, once per picture.
    int columns[kFrameWidth];
    for (int x = left; x < right; ++x)
        columns[x] = static_cast<int>(((2 * static_cast<int64_t>(x - area.left) + 1) * width) / (2 * w));
    for (int y = top; y < bottom; ++y) {
        int64_t sy = ((2 * static_cast<int64_t>(y - area.top) + 1) * height) / (2 * h);
        const uint32_t* row = pixels + sy * pitch;
        uint32_t* out = s.frame.data() + static_cast<size_t>(y) * kFrameWidth;
        for (int x = left; x < right; ++x) out[x] = row[columns[x]] | 0xFF000000u;
    }
    s.presented = true;
}

void HClientSize(int* width, int* height) {
    *width = kFrameWidth;
    *height = kFrameHeight;
}

bool HSetDisplayMode(DisplayMode mode) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().mode = mode;
    return true;
}
DisplayMode HDisplayMode() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().mode;
}
void HFrameArea(int* x, int* y, int* w, int* h) {
    *x = 0;
    *y = 0;
    *w = kFrameWidth;
    *h = kFrameHeight;
}
void HRaise() {}
void HGetMouse(int* x, int* y) {
    std::lock_guard<std::mutex> lock(State().mutex);
    *x = State().mouseX;
    *y = State().mouseY;
}
void HWarpMouse(int x, int y) {
    HeadlessState& s = State();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.mouseX = x;
        s.mouseY = y;
        // The window system answers a cursor move with a mouse-move message.
        s.posted.push_back(Make(kMsgMouseMove, 0, x, y));
    }
    s.changed.notify_all();
}
bool HLastFrame(uint32_t* out) {
    HeadlessState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.presented) return false;
    std::copy(s.frame.begin(), s.frame.end(), out);
    return true;
}
const char* HRendererName() { return "headless"; }
bool HAccelerated() { return false; }

const VideoDriver kHeadless = {
    "headless",     HCreateWindow, HDestroyWindow,  HSetTitle,   HSetIcon,  HSetCursor,
    HShowCursor,    HWaitMessage,  HPollMessage,    HPostMessage, HPresent, HSetDisplayMode,
    HDisplayMode,   HFrameArea,    HRaise,          HGetMouse,   HWarpMouse, HLastFrame,
    HRendererName,  HAccelerated,  HPresentMovie, HClientSize,
};

}  // namespace

bool ParseHeadlessInput(const std::string& text, std::vector<TimedInput>* out, std::string* error,
                        std::vector<InputGate>* gates) {
    out->clear();
    if (gates) gates->clear();
    int segment = 0;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // '#' starts a comment, on a line of its own or after an event.
        std::string event = line.substr(0, line.find('#'));
        if (event.find_first_not_of(" \t") == std::string::npos) continue;
        std::istringstream words(event);
        std::vector<std::string> w;
        for (std::string word; words >> word;) w.push_back(word);
        auto fail = [&](const char* why) {
            *error = "input line " + std::to_string(number) + ": " + why + ": " + line;
            return false;
        };
        // A wait line: "wait-input" or "wait-idle", with or without a time.
        if ((w.size() == 1 || w.size() == 2) && (w.back() == "wait-input" || w.back() == "wait-idle")) {
            long notBefore = 0;
            if (w.size() == 2 && !ParseInt(w[0], 0, 0x7FFFFFFF, &notBefore))
                return fail("expected: [T] wait-input|wait-idle");
            InputGate gate;
            gate.kind = w.back() == "wait-input" ? GameGate::kInput : GameGate::kIdle;
            gate.notBeforeMs = static_cast<uint32_t>(notBefore);
            if (gates) gates->push_back(gate);
            ++segment;
            continue;
        }
        long time = 0;
        if (w.size() < 2 || !ParseInt(w[0], 0, 0x7FFFFFFF, &time)) return fail("expected a time in ms");
        uint32_t t = static_cast<uint32_t>(time);
        const std::string& verb = w[1];
        long x = 0, y = 0;
        if (verb == "key") {
            uint32_t vk = 0;
            if (w.size() != 4 || !ParseKeyName(w[2], &vk) || (w[3] != "down" && w[3] != "up"))
                return fail("expected: T key NAME down|up");
            out->push_back({t, Make(w[3] == "down" ? kMsgKeyDown : kMsgKeyUp, vk, 0, 0), 0, segment});
        } else if (verb == "click" || verb == "rclick" || verb == "move" || verb == "press" ||
                   verb == "release") {
            if (w.size() != 4 || !ParseInt(w[2], -100000, 100000, &x) || !ParseInt(w[3], -100000, 100000, &y))
                return fail("expected: T click|rclick|move|press|release X Y");
            int ix = static_cast<int>(x), iy = static_cast<int>(y);
            if (verb == "move") {
                out->push_back({t, Make(kMsgMouseMove, 0, ix, iy), 0, segment});
            } else if (verb == "press" || verb == "release") {
                out->push_back({t, Make(verb == "press" ? kMsgLButtonDown : kMsgLButtonUp, 0, ix, iy), 0, segment});
            } else {
                bool left = verb == "click";
                out->push_back({t, Make(left ? kMsgLButtonDown : kMsgRButtonDown, 0, ix, iy), 0, segment});
                out->push_back({t + 50, Make(left ? kMsgLButtonUp : kMsgRButtonUp, 0, ix, iy), 0, segment, false});
            }
        } else if (verb == "wheel") {
            if (w.size() != 3 || (w[2] != "up" && w[2] != "down")) return fail("expected: T wheel up|down");
            out->push_back({t, Make(kMsgMouseWheel, w[2] == "up" ? 120 : -120, 0, 0), 0, segment});
        } else if (verb == "reset") {
            if (w.size() != 2) return fail("expected: T reset");
            out->push_back({t, Make(kMsgRunnerReset, 0, 0, 0), 0, segment});
        } else if (verb == "close") {
            if (w.size() != 2) return fail("expected: T close");
            out->push_back({t, Make(kMsgClose, 0, 0, 0), 0, segment});
        } else if (verb == "answer") {
            int id = 0;
            if (w.size() != 3 || !ParseAnswer(w[2], &id))
                return fail("expected: T answer OK|CANCEL|YES|NO|ABORT|RETRY|IGNORE");
            TimedInput answer;
            answer.timeMs = t;
            answer.answer = id;
            answer.segment = segment;
            out->push_back(answer);
        } else {
            return fail("unknown event");
        }
    }
    std::stable_sort(out->begin(), out->end(), [](const TimedInput& a, const TimedInput& b) {
        return a.segment != b.segment ? a.segment < b.segment : a.timeMs < b.timeMs;
    });
    // A move while the left button is down carries the button, as the window
    // system reports it (dragging).
    bool leftDown = false;
    for (TimedInput& e : *out) {
        if (e.message.code == kMsgLButtonDown) leftDown = true;
        else if (e.message.code == kMsgLButtonUp) leftDown = false;
        else if (e.message.code == kMsgMouseMove && leftDown) e.message.param = kMkLButton;
    }
    return true;
}

bool LoadHeadlessInput(const char* path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = std::string("cannot read the input file ") + path;
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::vector<TimedInput> events;
    std::vector<InputGate> gates;
    if (!ParseHeadlessInput(text.str(), &events, error, &gates)) return false;
    SetHeadlessInput(std::move(events), std::move(gates));
    return true;
}

void SetHeadlessInput(std::vector<TimedInput> events, std::vector<InputGate> gates) {
    HeadlessState& s = State();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.timed = std::move(events);
        s.nextTimed = 0;
        s.startMs = TimeMs();
        s.gates = std::move(gates);
        s.segment = 0;
        s.segmentStart = s.startMs;
        // The engine's counters start from zero with each engine.
        s.inputMark = 0;
        s.frameMark = 0;
    }
    s.changed.notify_all();
}

void RestartHeadlessInputClock() {
    HeadlessState& s = State();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.startMs = TimeMs();
    }
    s.changed.notify_all();
}

void SetHeadlessGameProbe(const HeadlessGameProbe& probe) {
    HeadlessState& s = State();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.probe = probe;
    }
    s.changed.notify_all();
}

const VideoDriver& HeadlessVideoDriver() { return kHeadless; }

int HeadlessMessageBox(const char* textSjis, const char* captionSjis, uint32_t style) {
    HeadlessState& s = State();
    std::unique_lock<std::mutex> lock(s.mutex);
    // The first answer not yet used, waiting for its time like a player would.
    for (TimedInput& t : s.timed) {
        if (t.message.code != kMsgNone || t.answer == 0) continue;
        int id = t.answer;
        t.answer = 0;  // used
        // An answer after a wait line is given at once: its segment's
        // clock is the game's, not the run's.
        uint32_t due = t.segment == 0 ? t.timeMs : 0;
        lock.unlock();
        uint32_t now = Elapsed();
        if (due > now) SleepMs(due - now);
        return id;
    }
    lock.unlock();
    std::fprintf(stderr, "[message box] %s: %s\n", SjisToUtf8(captionSjis ? captionSjis : "").c_str(),
                 SjisToUtf8(textSjis ? textSjis : "").c_str());
    int ids[3];
    MessageBoxButtons(style, ids);
    return ids[0];
}

}  // namespace platform

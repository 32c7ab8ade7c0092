// Fuzz target for the backlog's stream reader: the input is a save record
// (its header fixed up so that most inputs reach the unit checks). A record
// that is taken must leave a stream whose every voice marker is whole and
// whose grid walk and re-saving stay inside it; one that is refused must
// leave the stream as it was.
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "core/engine.h"
#include "text/backlog.h"
#include "text/state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    core::Engine& engine = core::Current();
    std::vector<uint8_t> record(20, 0);
    std::memcpy(record.data(), "CVSB", 4);
    const uint32_t check = 0xF1F1FAC4;
    std::memcpy(record.data() + 4, &check, 4);
    // The first input byte chooses between a fixed-up size word and the
    // input's own header.
    if (size > 0 && data[0] & 1) {
        record.insert(record.end(), data + 1, data + size);
        uint32_t total = static_cast<uint32_t>(record.size());
        std::memcpy(record.data() + 8, &total, 4);
    } else {
        record.assign(data, data + size);
    }
    text::BacklogClear();
    text::BacklogAppendText("before");
    const std::vector<uint8_t> before = text::BacklogSerialize(engine);
    const bool taken = text::BacklogRestore(engine, record.data(), record.size());
    const std::vector<uint8_t> after = text::BacklogSerialize(engine);
    if (!taken && after != before) __builtin_trap();
    text::Backlog& b = engine.text->backlog;
    std::lock_guard<std::mutex> hold(b.lock);
    if (!b.stream) return 0;
    int32_t rows = 0, column = 0;
    if (!text::BacklogCheckUnits(b.stream.get(), b.end, &rows, &column)) __builtin_trap();
    if (rows != b.rows || column != b.column) __builtin_trap();
    for (int32_t rowMax : {1, 17}) {
        size_t first = text::BacklogFirstShownUnit(b.stream.get(), b.end, rowMax, b.scroll);
        if (first > b.end) __builtin_trap();
    }
    return 0;
}

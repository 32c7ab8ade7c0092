#include "save/backlog_block.h"

#include "core/engine.h"
#include "save/bytes.h"
#include "save/container.h"
#include "text/backlog.h"

namespace save {

std::vector<uint8_t> BacklogBytes() { return text::BacklogSerialize(core::Current()); }

bool CheckBacklogBytes(const std::vector<uint8_t>& bytes, std::string* reason) {
    // An empty block (a slot written before the backlog kept anything) is
    // an empty backlog.
    if (bytes.empty() || text::BacklogRecordValid(bytes.data(), bytes.size())) return true;
    *reason = "the backlog record is damaged";
    return false;
}

bool RestoreBacklogBytes(const std::vector<uint8_t>& bytes, std::string* reason) {
    if (bytes.empty()) {
        text::BacklogClear();
        return true;
    }
    if (text::BacklogRestore(core::Current(), bytes.data(), bytes.size())) return true;
    *reason = "the backlog record is damaged";
    return false;
}

std::vector<uint8_t> BuildBacklogRecord(const std::vector<uint8_t>& backlog) {
    ByteWriter w;
    BeginRecord(w, "CVSB", kBacklogBlockVersion);
    w.Block(backlog.data(), backlog.size());
    FinishRecord(w);
    return w.bytes;
}

bool ParseBacklogRecord(const std::vector<uint8_t>& record, std::vector<uint8_t>* backlog,
                        std::string* reason) {
    ByteReader r(record.data(), record.size());
    int32_t version = 0;
    if (!ReadRecordHeader(r, "CVSB", &version)) {
        *reason = r.error();
        return false;
    }
    if (version != kBacklogBlockVersion) {
        *reason = "backlog block version " + std::to_string(version) + " is unknown";
        return false;
    }
    int32_t length = r.I32("backlog length");
    if (r.ok() && (length < 0 || static_cast<size_t>(length) != r.remaining())) {
        *reason = "backlog length " + std::to_string(length) + " does not fill the record";
        return false;
    }
    const uint8_t* bytes = r.Bytes(static_cast<size_t>(length), "backlog");
    if (!r.ok()) {
        *reason = r.error();
        return false;
    }
    backlog->assign(bytes, bytes + length);
    return true;
}

}  // namespace save

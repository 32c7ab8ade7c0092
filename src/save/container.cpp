#include "save/container.h"

#include <cstring>

#include "files/cvsf.h"
#include "files/file_handle.h"

namespace save {

void BeginRecord(ByteWriter& w, const char* magic, int32_t count) {
    w.Raw(magic, 4);
    w.U32(kCheckWord);
    w.U32(0);
    w.I32(count);
}

void FinishRecord(ByteWriter& w) { w.PatchU32(8, static_cast<uint32_t>(w.size())); }

bool ReadRecordHeader(ByteReader& r, const char* magic, int32_t* count) {
    size_t total = r.remaining();
    const uint8_t* m = r.Bytes(4, "magic");
    if (!r.ok()) return false;
    if (std::memcmp(m, magic, 4) != 0) {
        r.Fail(std::string("magic is not ") + std::string(magic, 4));
        return false;
    }
    if (r.U32("check word") != kCheckWord) {
        r.Fail("the check word is not F1F1FAC4");
        return false;
    }
    uint32_t size = r.U32("size word");
    if (r.ok() && size != total) {
        r.Fail("the size word (" + std::to_string(size) + ") differs from the record's length (" +
               std::to_string(total) + ")");
        return false;
    }
    *count = r.I32("count");
    return r.ok();
}

bool WrapRecord(const std::vector<uint8_t>& record, const char* baseName, std::vector<uint8_t>* out) {
    uint8_t* encoded = nullptr;
    size_t size = 0;
    if (!files::CvsfEncode(record.data(), record.size(), files::CvsfKey(baseName), &encoded, &size))
        return false;
    out->assign(encoded, encoded + size);
    files::FreeZeroed(encoded);
    return true;
}

bool UnwrapRecord(const std::vector<uint8_t>& file, const char* baseName, std::vector<uint8_t>* out,
                  std::string* reason) {
    if (!files::IsCvsf(file.data(), file.size())) {
        *reason = "not a CVSF container";
        return false;
    }
    uint8_t* content = nullptr;
    size_t size = 0;
    if (!files::CvsfDecode(file.data(), file.size(), files::CvsfKey(baseName), &content, &size)) {
        *reason = "the container does not decode (damaged or cut short)";
        return false;
    }
    out->assign(content, content + size);
    files::FreeZeroed(content);
    return true;
}

}  // namespace save

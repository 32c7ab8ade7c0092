// Little-endian record building and bounds-checked reading for the save
// files. A ByteReader never reads past its end: the first read that would
// fails, remembers why, and every later read returns zeros, so a parser can
// read a whole record and check `ok()` once at the points that matter.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace save {

struct ByteWriter {
    std::vector<uint8_t> bytes;

    void U8(uint8_t v) { bytes.push_back(v); }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void F64(double v) {
        uint64_t u;
        std::memcpy(&u, &v, 8);
        for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<uint8_t>(u >> (8 * i)));
    }
    void Raw(const void* data, size_t size) {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + size);
    }
    void Zeros(size_t n) { bytes.insert(bytes.end(), n, 0); }
    // A string as its bytes followed by four zero bytes.
    void Text(const char* s) {
        Raw(s, std::strlen(s));
        Zeros(4);
    }
    // A length-prefixed block: int32 length, then the bytes.
    void Block(const void* data, size_t size) {
        I32(static_cast<int32_t>(size));
        Raw(data, size);
    }
    void PatchU32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    size_t size() const { return bytes.size(); }
};

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    size_t position() const { return pos_; }
    size_t remaining() const { return ok() ? size_ - pos_ : 0; }
    const uint8_t* here() const { return data_ + pos_; }

    // Records the first failure (later ones keep the first reason).
    void Fail(const std::string& why) {
        if (error_.empty()) error_ = why + " at byte " + std::to_string(pos_);
    }
    bool Need(size_t n, const char* what) {
        if (!ok()) return false;
        if (n > size_ - pos_) {
            Fail(std::string(what) + " runs past the end of the record");
            return false;
        }
        return true;
    }
    uint8_t U8(const char* what) {
        if (!Need(1, what)) return 0;
        return data_[pos_++];
    }
    uint32_t U32(const char* what) {
        if (!Need(4, what)) return 0;
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(data_[pos_ + i]) << (8 * i);
        pos_ += 4;
        return v;
    }
    int32_t I32(const char* what) { return static_cast<int32_t>(U32(what)); }
    double F64(const char* what) {
        if (!Need(8, what)) return 0;
        uint64_t u = 0;
        for (int i = 0; i < 8; ++i) u |= static_cast<uint64_t>(data_[pos_ + i]) << (8 * i);
        pos_ += 8;
        double v;
        std::memcpy(&v, &u, 8);
        return v;
    }
    const uint8_t* Bytes(size_t n, const char* what) {
        if (!Need(n, what)) return nullptr;
        const uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }
    void Skip(size_t n, const char* what) { Bytes(n, what); }
    // A string written as bytes + four zero bytes; at most `limit` bytes
    // before the terminator (the size of the field it goes into, less one).
    std::string Text(size_t limit, const char* what) {
        if (!ok()) return {};
        size_t end = pos_;
        while (end + 4 <= size_ && std::memcmp(data_ + end, "\0\0\0\0", 4) != 0) {
            if (end - pos_ >= limit) {
                Fail(std::string(what) + " is longer than its field");
                return {};
            }
            ++end;
        }
        if (end + 4 > size_) {
            Fail(std::string(what) + " has no terminator");
            return {};
        }
        std::string s(reinterpret_cast<const char*>(data_ + pos_), end - pos_);
        pos_ = end + 4;
        return s;
    }
    // A count read as int32 that must lie in [0, max].
    int32_t Count(int32_t max, const char* what) {
        int32_t n = I32(what);
        if (ok() && (n < 0 || n > max)) {
            Fail(std::string(what) + " " + std::to_string(n) + " is out of range");
            return 0;
        }
        return ok() ? n : 0;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    std::string error_;
};

}  // namespace save

#pragma once
// Bounds-checked reading of a design file's bytes: every read past the end throws
// DesignFormatError naming what was being read, so no reader can look outside the buffer.

#include "design/DesignFormat.h"

#include <cstdint>
#include <span>
#include <string>

namespace tessaline {

class ByteReader {
public:
    ByteReader(std::span<const std::uint8_t> bytes, std::size_t offset = 0) : bytes_(bytes), pos_(offset) {}

    std::size_t position() const { return pos_; }
    std::size_t size() const { return bytes_.size(); }
    std::size_t remaining() const { return pos_ < bytes_.size() ? bytes_.size() - pos_ : 0; }
    bool atEnd() const { return pos_ >= bytes_.size(); }

    // Moves to an absolute offset, which may be the very end but not past it.
    void seek(std::size_t offset, const char* what) {
        if (offset > bytes_.size()) throw DesignFormatError(std::string(what) + " lies outside the file");
        pos_ = offset;
    }
    void skip(std::size_t count, const char* what) {
        if (count > remaining()) throw DesignFormatError(std::string("the file ends inside ") + what);
        pos_ += count;
    }

    std::uint8_t u8(const char* what) {
        if (pos_ >= bytes_.size()) throw DesignFormatError(std::string("the file ends inside ") + what);
        return bytes_[pos_++];
    }
    // The next byte without moving; only when !atEnd().
    std::uint8_t peek() const { return bytes_[pos_]; }
    // The byte ahead bytes on without moving; only when ahead < remaining().
    std::uint8_t peekAt(std::size_t ahead) const { return bytes_[pos_ + ahead]; }
    std::int8_t s8(const char* what) { return static_cast<std::int8_t>(u8(what)); }
    std::uint16_t u16le(const char* what) {
        need(2, what);
        const std::uint16_t v = static_cast<std::uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    std::int16_t s16le(const char* what) { return static_cast<std::int16_t>(u16le(what)); }
    std::uint16_t u16be(const char* what) {
        need(2, what);
        const std::uint16_t v = static_cast<std::uint16_t>((bytes_[pos_] << 8) | bytes_[pos_ + 1]);
        pos_ += 2;
        return v;
    }
    std::int16_t s16be(const char* what) { return static_cast<std::int16_t>(u16be(what)); }
    std::uint32_t u32le(const char* what) {
        need(4, what);
        const std::uint32_t v = static_cast<std::uint32_t>(bytes_[pos_]) | (static_cast<std::uint32_t>(bytes_[pos_ + 1]) << 8) |
                                (static_cast<std::uint32_t>(bytes_[pos_ + 2]) << 16) |
                                (static_cast<std::uint32_t>(bytes_[pos_ + 3]) << 24);
        pos_ += 4;
        return v;
    }
    std::int32_t s32le(const char* what) { return static_cast<std::int32_t>(u32le(what)); }
    std::uint32_t u32be(const char* what) {
        need(4, what);
        const std::uint32_t v = (static_cast<std::uint32_t>(bytes_[pos_]) << 24) |
                                (static_cast<std::uint32_t>(bytes_[pos_ + 1]) << 16) |
                                (static_cast<std::uint32_t>(bytes_[pos_ + 2]) << 8) | static_cast<std::uint32_t>(bytes_[pos_ + 3]);
        pos_ += 4;
        return v;
    }
    std::int32_t s32be(const char* what) { return static_cast<std::int32_t>(u32be(what)); }
    std::string text(std::size_t count, const char* what) {
        need(count, what);
        std::string s(reinterpret_cast<const char*>(bytes_.data() + pos_), count);
        pos_ += count;
        return s;
    }

private:
    void need(std::size_t count, const char* what) const {
        if (count > remaining()) throw DesignFormatError(std::string("the file ends inside ") + what);
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_;
};

}  // namespace tessaline

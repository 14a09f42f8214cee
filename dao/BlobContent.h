#pragma once
// The bytes a blob stream holds and its position in them: the whole content of
// one field in memory. A position may lie before the start or beyond the end;
// no read or write there touches anything outside the content.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "dataset/Stream.h"

namespace zalvert {

struct TBlobContent {
    std::string Bytes;
    std::int64_t Position = 0;

    std::int64_t Size() const { return static_cast<std::int64_t>(Bytes.size()); }

    // Copies up to `count` bytes from the position; nothing outside the content.
    std::size_t Read(void* buffer, std::size_t count) {
        if (Position < 0 || Position >= Size()) return 0;
        count = std::min(count, static_cast<std::size_t>(Size() - Position));
        if (count > 0) std::memcpy(buffer, Bytes.data() + Position, count);
        Position += static_cast<std::int64_t>(count);
        return count;
    }

    // The content becomes its first Position bytes followed by the given ones:
    // what stood after the position is dropped, and a position beyond the end is
    // reached through zero bytes, as a file's hole reads. Nothing is written at a
    // position before the start.
    std::size_t Write(const void* buffer, std::size_t count) {
        if (Position < 0) return 0;
        Bytes.resize(static_cast<std::size_t>(Position));
        Bytes.append(static_cast<const char*>(buffer), count);
        Position += static_cast<std::int64_t>(count);
        return count;
    }

    // The new position.
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) {
        const std::int64_t base = origin == TSeekOrigin::Beginning ? 0
                                  : origin == TSeekOrigin::Current ? Position
                                                                   : Size();
        Position = base + offset;
        return Position;
    }
};

}  // namespace zalvert

// Any sequence of seeks, reads and writes on a blob stream's content against a
// model byte string, byte by byte: the same bytes, the same positions, and never
// a byte read or written outside the content.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dao/BlobContent.h"

namespace {

using zalvert::TSeekOrigin;

// The rules as a user of the stream reads them, one byte at a time.
struct TModel {
    std::string bytes;
    std::int64_t position = 0;

    std::size_t Read(char* out, std::size_t count) {
        std::size_t done = 0;
        while (done < count && position >= 0 && position < static_cast<std::int64_t>(bytes.size()))
            out[done++] = bytes[static_cast<std::size_t>(position++)];
        return done;
    }
    std::size_t Write(const char* in, std::size_t count) {
        if (position < 0) return 0;
        while (static_cast<std::int64_t>(bytes.size()) < position) bytes.push_back('\0');
        bytes.resize(static_cast<std::size_t>(position));
        for (std::size_t i = 0; i < count; ++i) bytes.push_back(in[i]);
        position += static_cast<std::int64_t>(count);
        return count;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    zalvert::TBlobContent content;
    TModel model;
    size_t at = 0;
    const auto next = [&]() -> std::uint8_t { return at < size ? data[at++] : 0; };
    while (at < size) {
        const std::uint8_t op = next();
        if (op % 3 == 0) {
            const auto origin = static_cast<TSeekOrigin>(next() % 3);
            // Small offsets either way, so that positions land near the content.
            const auto offset = static_cast<std::int64_t>(static_cast<std::int8_t>(next()));
            const std::int64_t base = origin == TSeekOrigin::Beginning ? 0
                                      : origin == TSeekOrigin::Current
                                          ? model.position
                                          : static_cast<std::int64_t>(model.bytes.size());
            model.position = base + offset;
            if (content.Seek(offset, origin) != model.position) std::abort();
        } else if (op % 3 == 1) {
            const std::size_t count = next();
            // Exactly as large as asked: AddressSanitizer sees a byte written past it.
            std::string got(count, '\0'), want(count, '\0');
            const std::size_t read = content.Read(got.data(), count);
            if (read != model.Read(want.data(), count)) std::abort();
            if (std::memcmp(got.data(), want.data(), read) != 0) std::abort();
        } else {
            const std::size_t count = std::min<std::size_t>(next(), size - at);
            const std::string bytes(reinterpret_cast<const char*>(data + at), count);
            at += count;
            if (content.Write(bytes.data(), count) != model.Write(bytes.data(), count))
                std::abort();
        }
        if (content.Position != model.position || content.Bytes != model.bytes) std::abort();
    }
    return 0;
}

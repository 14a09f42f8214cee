#include "dataset/Stream.h"

#include <algorithm>
#include <cstring>

namespace zalvert {

std::string TStream::ReadAllText() {
    Seek(0, TSeekOrigin::Beginning);
    std::string text(static_cast<std::size_t>(Size()), '\0');
    text.resize(Read(text.data(), text.size()));
    return text;
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
    const std::size_t n = std::min(count, data_.size() - std::min(position_, data_.size()));
    if (n > 0) std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
    return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
    if (position_ + count > data_.size()) data_.resize(position_ + count);
    if (count > 0) std::memcpy(data_.data() + position_, buffer, count);
    position_ += count;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    std::int64_t base = 0;
    if (origin == TSeekOrigin::Current) base = static_cast<std::int64_t>(position_);
    if (origin == TSeekOrigin::End) base = Size();
    position_ = static_cast<std::size_t>(std::max<std::int64_t>(0, base + offset));
    return static_cast<std::int64_t>(position_);
}

}  // namespace zalvert

#pragma once
// Byte streams: the interface blob streams implement, and a memory stream.

#include <cstdint>
#include <string>
#include <vector>

namespace zalvert {

enum class TSeekOrigin { Beginning, Current, End };
enum class TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

class TStream {
  public:
    virtual ~TStream() = default;
    // Bytes read or written; fewer than asked at the end.
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    virtual std::int64_t Size() const = 0;
    std::int64_t Position() { return Seek(0, TSeekOrigin::Current); }
    // The whole content as text, from the start.
    std::string ReadAllText();
};

class TMemoryStream : public TStream {
  public:
    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }
    const std::vector<std::uint8_t>& Data() const { return data_; }

  private:
    std::vector<std::uint8_t> data_;
    std::size_t position_ = 0;
};

}  // namespace zalvert

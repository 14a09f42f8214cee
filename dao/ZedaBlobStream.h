#pragma once
// A stream over one memo or blob field of the table's current record. It holds
// the whole content: read from the record buffer when the table caches such
// fields, else from the engine's field; writes go into the record buffer, from
// which the post stores them.

#include <cstdint>
#include <string>

#include "dao/BlobContent.h"
#include "dataset/Field.h"
#include "dataset/Stream.h"

namespace zalvert {

class TZedaDaoTable;
struct TDaoRecordBuffer;

class TZedaBlobStream : public TStream {
  public:
    // Raises EInvalidCast when the field's dataset is no table component, and
    // refuses to write to a read-only table or outside an edit.
    TZedaBlobStream(TBlobField& field, TBlobStreamMode mode);
    // Tells the table that the field changed when the stream wrote; a failure
    // doing so is shown, never thrown.
    ~TZedaBlobStream() override;
    TZedaBlobStream(const TZedaBlobStream&) = delete;
    TZedaBlobStream& operator=(const TZedaBlobStream&) = delete;

    // Copies nothing at a position outside the content.
    std::size_t Read(void* buffer, std::size_t count) override;
    // Writes nothing at a position before the start; one beyond the content is
    // reached through zero bytes.
    std::size_t Write(const void* buffer, std::size_t count) override;
    // Returns the new position, which may lie before the start or beyond the end.
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() const override { return content_.Size(); }
    bool Modified() const { return modified_; }

  private:
    void Load();
    void LoadFromEngine();
    bool Cached() const;
    const std::string& DefaultText() const;

    TBlobField& field_;
    TZedaDaoTable& table_;
    TDaoRecordBuffer* record_ = nullptr;
    size_t index_ = 0;  // the field's entry in the value list
    TBlobStreamMode mode_;
    bool open_ = false;
    bool modified_ = false;
    TBlobContent content_;
};

}  // namespace zalvert

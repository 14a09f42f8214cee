#pragma once
// Values held back to be bound to a statement later, in the form SQLite is given
// them. Texts and bytes share one buffer: holding a row allocates nothing of its
// own, and letting go of many rows, on whichever thread, frees nothing value by
// value.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/sqlite/Sqlite.h"
#include "rtl/Variant.h"

namespace zalvert::engine {

class THeldValues {
  public:
    void Add(std::int64_t value);
    // As TStatement::Bind would bind it; an array is refused.
    void Add(const Variant& value);
    // A row: `id`, then `values`. A value refused leaves none of the row held.
    void AddRow(std::int64_t id, const std::vector<const Variant*>& values);
    // Binds held value `index` to parameter `parameter` without a copy: the values
    // must stay as they are until the statement has been stepped.
    void Bind(TStatement& stmt, int parameter, size_t index) const;
    size_t Size() const { return slots_.size(); }
    // Empty again, keeping the memory for the next values.
    void Clear();
    void Swap(THeldValues& other) noexcept;

  private:
    enum class TKind : std::uint8_t { Null, Integer, Real, Text, Blob };
    struct TSlot {
        TKind Kind = TKind::Null;
        std::int64_t Integer = 0;
        double Real = 0;
        size_t Offset = 0;  // of a text or blob in the buffer
        size_t Size = 0;
    };
    void AddBytes(TKind kind, const char* data, size_t size);

    std::vector<TSlot> slots_;
    std::string bytes_;
};

}  // namespace zalvert::engine

#pragma once
// What a cursor asks of the rows behind it. A recordset and its clones share one
// such object, the marks of the rows deleted through any of them included.

#include <cstddef>

namespace zalvert::engine {

class TRowPositions {
  public:
    virtual ~TRowPositions() = default;

    // Whether position `pos` exists, reading ahead as far as needed (a stream).
    virtual bool Has(size_t pos) = 0;
    // The positions known so far.
    virtual size_t KnownSize() const = 0;
    // Whether every row is known.
    virtual bool Complete() const = 0;
    virtual void FetchAll() = 0;
    // Deleted through this recordset family, or found gone by a write.
    virtual bool IsDeleted(size_t /*pos*/) const { return false; }
    virtual size_t DeletedCount() const { return 0; }
};

}  // namespace zalvert::engine

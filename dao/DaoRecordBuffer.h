#pragma once
// The record buffer of the table component: where the row sits, its values as
// texts with modified marks, and its bookmark. The calculated area is the base's.

#include <cstdint>
#include <string>
#include <vector>

#include "dataset/DataSet.h"

namespace zalvert {

// One value of a record in its text form; an empty text stands for null.
struct TDaoValue {
    std::string Text;
    bool Modified = false;
};

struct TDaoRecordBuffer : TRecordBuffer {
    std::int32_t Position = -1;  // zero-based row position; -1 for a new record
    std::vector<TDaoValue> Values;
    std::uint8_t BookmarkFlag = 0;  // TBookmarkFlag as a byte
    std::int32_t Bookmark = 0;      // first four bytes of the engine's bookmark

    // Everything but the calculated area.
    void CopyRecordFrom(const TDaoRecordBuffer& other) {
        Values = other.Values;
        CopyPlaceFrom(other);
    }
    // The same, the values taken over uncopied: `other` gets these in exchange.
    void TakeRecordFrom(TDaoRecordBuffer& other) {
        Values.swap(other.Values);
        CopyPlaceFrom(other);
    }

  private:
    void CopyPlaceFrom(const TDaoRecordBuffer& other) {
        Position = other.Position;
        BookmarkFlag = other.BookmarkFlag;
        Bookmark = other.Bookmark;
    }
};

// The size of the header parts as the record size counts them.
constexpr int kDaoRecordHeaderSize = 4 + static_cast<int>(sizeof(void*)) + 1 + 4;

inline TDaoRecordBuffer& DaoBuffer(TRecordBuffer& buffer) {
    return static_cast<TDaoRecordBuffer&>(buffer);
}

}  // namespace zalvert

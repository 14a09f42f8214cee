#pragma once
// The last few inputs of a pure conversion and their results. An import's lines
// come in runs of the same dates (hundreds of tours a day; the date from and the
// date to take turns), and each date passes several conversions on its way into
// the table and back: a run pays for them once.

#include <array>
#include <cstddef>
#include <utility>

namespace zalvert {

template <class TIn, class TOut, std::size_t Size = 4>
class TLastConversions {
  public:
    // `convert(in)`, or the result kept from a recent call with an equal input.
    template <class Key, class Convert>
    const TOut& Get(const Key& in, Convert&& convert) {
        for (std::size_t i = 0; i < known_; ++i)
            if (entries_[i].Input == in) return entries_[i].Result;
        // A conversion that throws keeps nothing.
        TOut result = std::forward<Convert>(convert)(in);
        TEntry& entry = entries_[next_];
        entry.Input = in;
        entry.Result = std::move(result);
        next_ = (next_ + 1) % Size;
        if (known_ < Size) ++known_;
        return entry.Result;
    }

  private:
    struct TEntry {
        TIn Input{};
        TOut Result{};
    };
    std::array<TEntry, Size> entries_{};
    std::size_t known_ = 0;
    std::size_t next_ = 0;
};

}  // namespace zalvert

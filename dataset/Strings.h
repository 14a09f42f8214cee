#pragma once
// A list of text lines, each with an object slot, with name=value access and the
// framework's comma text.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zalvert {

class TStrings {
  public:
    using TObject = std::intptr_t;  // the slot holds a tag or a pointer value

    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& Strings(int index) const;
    void SetStrings(int index, const std::string& text);
    TObject Objects(int index) const;
    void SetObjects(int index, TObject object);

    int Add(const std::string& text) { return AddObject(text, 0); }
    int AddObject(const std::string& text, TObject object);
    void Insert(int index, const std::string& text);
    void Delete(int index);
    void Clear();
    void Assign(const TStrings& other);

    // Without regard to letter case.
    int IndexOf(std::string_view text) const;
    int IndexOfName(std::string_view name) const;
    std::string Names(int index) const;
    std::string Values(std::string_view name) const;
    void SetValues(std::string_view name, const std::string& value);
    std::string ValueFromIndex(int index) const;

    // Lines joined with line breaks; setting splits at LF, CR LF or CR.
    std::string Text() const;
    void SetText(std::string_view text);
    // Items separated by commas; items with blanks, commas or quotes in double
    // quotes, inner quotes doubled. Setting also splits at unquoted blanks.
    std::string CommaText() const;
    void SetCommaText(std::string_view text);

    void BeginUpdate() { ++updating_; }
    void EndUpdate();
    std::function<void()> OnChange;

    bool operator==(const TStrings& other) const;

  private:
    struct TItem {
        std::string Text;
        TObject Object = 0;
        bool operator==(const TItem&) const = default;
    };
    void Changed();
    void CheckIndex(int index) const;

    std::vector<TItem> items_;
    int updating_ = 0;
};

using TStringList = TStrings;

}  // namespace zalvert

#include "dataset/Strings.h"

#include "dataset/DatabaseError.h"
#include "dataset/DbConsts.h"
#include "rtl/Utf8.h"

namespace zalvert {
namespace {

bool SameTextAscii(std::string_view a, std::string_view b) {
    return a.size() == b.size() && AsciiUpperCase(a) == AsciiUpperCase(b);
}

bool NeedsQuotes(const std::string& text) {
    if (text.empty()) return true;
    for (char c : text)
        if (static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"') return true;
    return false;
}

}  // namespace

void TStrings::CheckIndex(int index) const {
    if (index < 0 || index >= Count())
        throw EDatabaseError(dbconsts::Format(dbconsts::SListIndexError, {std::to_string(index)}));
}

const std::string& TStrings::Strings(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].Text;
}

void TStrings::SetStrings(int index, const std::string& text) {
    CheckIndex(index);
    items_[static_cast<size_t>(index)].Text = text;
    Changed();
}

TStrings::TObject TStrings::Objects(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].Object;
}

void TStrings::SetObjects(int index, TObject object) {
    CheckIndex(index);
    items_[static_cast<size_t>(index)].Object = object;
}

int TStrings::AddObject(const std::string& text, TObject object) {
    items_.push_back({text, object});
    Changed();
    return Count() - 1;
}

void TStrings::Insert(int index, const std::string& text) {
    if (index < 0 || index > Count())
        throw EDatabaseError(dbconsts::Format(dbconsts::SListIndexError, {std::to_string(index)}));
    items_.insert(items_.begin() + index, TItem{text, 0});
    Changed();
}

void TStrings::Delete(int index) {
    CheckIndex(index);
    items_.erase(items_.begin() + index);
    Changed();
}

void TStrings::Clear() {
    if (items_.empty()) return;
    items_.clear();
    Changed();
}

void TStrings::Assign(const TStrings& other) {
    items_ = other.items_;
    Changed();
}

int TStrings::IndexOf(std::string_view text) const {
    for (int i = 0; i < Count(); ++i)
        if (SameTextAscii(items_[static_cast<size_t>(i)].Text, text)) return i;
    return -1;
}

int TStrings::IndexOfName(std::string_view name) const {
    for (int i = 0; i < Count(); ++i) {
        const std::string& line = items_[static_cast<size_t>(i)].Text;
        const size_t equals = line.find('=');
        if (equals != std::string::npos &&
            SameTextAscii(std::string_view(line).substr(0, equals), name))
            return i;
    }
    return -1;
}

std::string TStrings::Names(int index) const {
    const std::string& line = Strings(index);
    const size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : line.substr(0, equals);
}

std::string TStrings::ValueFromIndex(int index) const {
    const std::string& line = Strings(index);
    const size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : line.substr(equals + 1);
}

std::string TStrings::Values(std::string_view name) const {
    const int index = IndexOfName(name);
    return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStrings::SetValues(std::string_view name, const std::string& value) {
    const int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0) Delete(index);
        return;
    }
    const std::string line = std::string(name) + "=" + value;
    if (index >= 0)
        SetStrings(index, line);
    else
        Add(line);
}

std::string TStrings::Text() const {
    std::string text;
    for (const TItem& item : items_) text += item.Text + "\n";
    return text;
}

void TStrings::SetText(std::string_view text) {
    BeginUpdate();
    items_.clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        items_.push_back({std::string(text.substr(start, end - start)), 0});
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() &&
            text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    EndUpdate();
}

std::string TStrings::CommaText() const {
    std::string text;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (i) text += ',';
        const std::string& item = items_[i].Text;
        if (!NeedsQuotes(item)) {
            text += item;
            continue;
        }
        text += '"';
        for (char c : item) {
            if (c == '"') text += '"';
            text += c;
        }
        text += '"';
    }
    return text;
}

void TStrings::SetCommaText(std::string_view text) {
    BeginUpdate();
    items_.clear();
    size_t pos = 0;
    const auto skipBlanks = [&] {
        while (pos < text.size() && static_cast<unsigned char>(text[pos]) <= ' ') ++pos;
    };
    skipBlanks();
    while (pos < text.size()) {
        std::string item;
        if (text[pos] == '"') {
            ++pos;
            while (pos < text.size()) {
                if (text[pos] == '"') {
                    if (pos + 1 < text.size() && text[pos + 1] == '"') {
                        item += '"';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                item += text[pos++];
            }
        } else {
            while (pos < text.size() && static_cast<unsigned char>(text[pos]) > ' ' &&
                   text[pos] != ',')
                item += text[pos++];
        }
        items_.push_back({item, 0});
        skipBlanks();
        if (pos < text.size() && text[pos] == ',') {
            ++pos;
            skipBlanks();
            if (pos == text.size()) items_.push_back({std::string(), 0});
        }
    }
    EndUpdate();
}

void TStrings::EndUpdate() {
    if (updating_ > 0 && --updating_ == 0) Changed();
}

void TStrings::Changed() {
    if (updating_ == 0 && OnChange) OnChange();
}

bool TStrings::operator==(const TStrings& other) const {
    return items_ == other.items_;
}

}  // namespace zalvert

// Searching the table: Locate by seek, by find on a clone or by a scan; the key
// finds and find record; Lookup through a filtered snapshot. The dataset's own
// recordset keeps its place until a match is made current.

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

#include "dao/GuidFieldText.h"
#include "dao/ZedaDaoTable.h"
#include "dao/ZedaDaoTableSupport.h"
#include "dataset/DatabaseError.h"
#include "rtl/TextCase.h"

namespace zalvert {
using namespace daotable;
namespace {

constexpr int kMaxSeekKeys = 13;
constexpr int kDenyRead = 2;

// Closes a clone or snapshot on every way out of a search.
class TClosing {
  public:
    explicit TClosing(std::shared_ptr<engine::Recordset> rs) : rs_(std::move(rs)) {}
    ~TClosing() {
        if (rs_) IgnoringErrors([this] { rs_->Close(); });
    }
    TClosing(const TClosing&) = delete;
    TClosing& operator=(const TClosing&) = delete;
    engine::Recordset& operator*() const { return *rs_; }
    engine::Recordset* operator->() const { return rs_.get(); }

  private:
    std::shared_ptr<engine::Recordset> rs_;
};

// Whether a text a seek landed on matches `key`: the whole text, or its beginning
// with a partial key; without regard to case whatever the options say, as the
// engine compares texts (a find on a dynaset gives the same answer).
bool TextMatches(const std::string& text, const std::string& key, int options) {
    const std::string folded = FoldedCase(text);
    const std::string foldedKey = FoldedCase(key);
    return (options & loPartialKey) ? folded.starts_with(foldedKey) : folded == foldedKey;
}

// Whether a value the seek landed on is the key's value.
bool SeekValueMatches(const Variant& value, const std::string& key, int options) {
    if (key == kNullKeyText) return value.IsNull();
    if (value.IsEmptyOrNull()) return false;
    try {
        switch (value.Type()) {
            case TVarType::String:
                return TextMatches(value.StringValue(), key, options);
            case TVarType::Date: {
                const auto a = SplitDateTime(value.AsDateTime());
                const auto b = SplitDateTime(CriteriaDateTimeOf(key));
                return a && b && a->Day == b->Day && a->Millisecond == b->Millisecond;
            }
            case TVarType::Boolean:
                return value.AsBoolean() == Variant(key).AsBoolean();
            case TVarType::Integer:
            case TVarType::Int64:
            case TVarType::Double:
            case TVarType::Currency: {
                const auto number = TryStrToFloat(key);
                return number && *number == value.AsDouble();
            }
            default:
                return value.AsString() == key;
        }
    } catch (const std::exception&) {
        return false;  // a key that is no value of the field's kind matches nothing
    }
}

// The scan's comparison: the key anywhere in the text with a partial key, one
// trailing and one leading "*" of the key dropped.
bool ScanTextMatches(std::string text, std::string key, int options) {
    if (options & loCaseInsensitive) {
        text = LowerCase(text);
        key = LowerCase(key);
    }
    if (!(options & loPartialKey)) return text == key;
    if (!key.empty() && key.back() == '*') key.pop_back();
    if (!key.empty() && key.front() == '*') key.erase(0, 1);
    return text.find(key) != std::string::npos;
}

}  // namespace

// --- shared steps ------------------------------------------------------------------------

TZedaDaoTable::TKeySearch TZedaDaoTable::KeyLists(const std::string& keyFields,
                                                  const Variant& keyValues) const {
    TKeySearch key{SplitKeyList(keyFields), KeyValueTexts(keyValues)};
    CheckKeyCounts(key.Fields.size(), key.Values.size());
    return key;
}

// The key fields as the criteria builders see them; an unknown name raises.
std::vector<TCriteriaField> TZedaDaoTable::CriteriaFields(
    const std::vector<std::string>& names) const {
    std::vector<TCriteriaField> fields;
    for (const std::string& name : names) {
        const TField& field = FieldByName(name);
        fields.push_back({name, field.DataType(), IsGuidField(field)});
    }
    return fields;
}

void TZedaDaoTable::CursorToCurrentRecord() {
    UpdateCursorPos();
    if (TDaoRecordBuffer* buffer = StateBuffer()) InternalSetToRecord(*buffer);
}

// The found record of a clone becomes the dataset's current record.
void TZedaDaoTable::MakeFoundCurrent(engine::Recordset& clone, int resyncModes) {
    const std::int32_t bookmark = BookmarkValue(clone.Bookmark());
    const bool fromClone = PositionFromEngine(tableType_);
    const long clonePosition = fromClone ? clone.AbsolutePosition() : -1;
    CheckBrowseMode();
    CursorPosChanged();
    if (BeforeScroll) BeforeScroll(*this);
    PositionByBookmark(bookmark);
    // A table's clone may stand in another index: its own order tells the position.
    position_ =
        static_cast<std::int32_t>(fromClone ? clonePosition : recordset_->AbsolutePosition());
    Resync(resyncModes);
    if (AfterScroll) AfterScroll(*this);
}

// --- Locate ------------------------------------------------------------------------------

bool TZedaDaoTable::Locate(const std::string& keyFields, const Variant& keyValues, int options) {
    if (!Active() || IsEmpty() || FilterActive() || !database_ || !database_->Connected())
        return false;
    const TKeySearch key = KeyLists(keyFields, keyValues);
    CursorToCurrentRecord();
    if (!bookmarkable_) return LocateByScan(key, options);
    std::shared_ptr<engine::Recordset> found;
    if (tableType_ == engine::dbOpenTable) {
        const std::string index = IndexForLocate(keyFields);
        if (index.empty())
            Fail(
                "Index Property is Empty!\r\nYou must set an index before using Locate with "
                "StandardTables");
        found = SeekOnClone(index, key, options);
    } else {
        const std::string criteria =
            OptionKeyCriteria(CriteriaFields(key.Fields), key.Values, options, UseBrackets);
        found = recordset_->Clone();
        TClosing guard(found);
        found->MoveFirst();
        found->FindFirst(criteria);
        if (found->NoMatch()) return false;
        MakeFoundCurrent(*found, 0);
        return true;
    }
    // A clone kept for the next search stays open.
    TClosing guard(found == seekClone_ ? nullptr : found);
    if (found->NoMatch() || !SeekFoundKey(*found, key, options)) return false;
    MakeFoundCurrent(*found, 0);
    return true;
}

std::string TZedaDaoTable::IndexForLocate(const std::string& keyFields) const {
    const bool indexed = tableType_ == engine::dbOpenTable && indexDefs_.Count() > 0;
    const auto found = [&](const std::string& text) {
        return indexed ? IndexForKey(text, indexDefs_) : std::string();
    };
    std::string name;
    if (AutoFindIndex) {
        name = found("!" + keyFields);
        if (name.empty()) name = found(keyFields);
        if (name.empty()) name = indexName_;
    } else {
        name = indexName_;
        if (name.empty()) name = found("!" + keyFields);
        if (name.empty()) name = found(keyFields);
    }
    return name;
}

// A clone in the index, sought at the key: "=" for a whole key, ">=" otherwise.
std::shared_ptr<engine::Recordset> TZedaDaoTable::SeekOnClone(const std::string& index,
                                                              const TKeySearch& key, int options) {
    auto table = database_->DatabaseObject()->TableDefs().Item(tableName_);
    auto& indexFields = table->Indexes().Item(index)->Fields();
    const int fieldCount = indexFields.Count();
    std::vector<Variant> slots(kMaxSeekKeys, Variant::Null());
    int last = -1;
    for (int i = 0; i < std::min(fieldCount, kMaxSeekKeys); ++i) {
        const std::string name = indexFields.Item(i)->Name();
        for (size_t k = 0; k < key.Fields.size(); ++k) {
            if (!SameFieldName(key.Fields[k], name)) continue;
            const std::string& value = key.Values[k];
            slots[static_cast<size_t>(i)] =
                value == kNullKeyText ? Variant::Null() : Variant(value);
            last = i;
        }
    }
    const int n = std::min(last >= 0 ? last + 1 : fieldCount, kMaxSeekKeys);
    const bool whole =
        static_cast<int>(key.Fields.size()) == fieldCount && !(options & loPartialKey);
    slots.resize(static_cast<size_t>(n));
    // A clone in another index reads every key in that index's order: it is kept
    // for the next search in that index until the table writes, refreshes or closes.
    const bool kept = recordset_->Index() != index;
    std::shared_ptr<engine::Recordset> clone =
        kept && seekClone_ && seekCloneIndex_ == index ? seekClone_ : nullptr;
    try {
        if (!clone) {
            clone = recordset_->Clone();
            if (kept) {
                DropSeekClone();
                clone->SetIndex(index);
                seekClone_ = clone;
                seekCloneIndex_ = index;
            }
        }
        clone->MoveFirst();
        clone->Seek(whole ? "=" : ">=", slots);
    } catch (...) {
        if (clone == seekClone_) DropSeekClone();
        if (clone) IgnoringErrors([&] { clone->Close(); });
        throw;
    }
    return clone;
}

void TZedaDaoTable::DropSeekClone() {
    if (seekClone_) IgnoringErrors([this] { seekClone_->Close(); });
    seekClone_.reset();
    seekCloneIndex_.clear();
}

// Whether the record a seek stopped at holds the key: with ">=" the engine stops
// at the first record at or after it, which need not match.
bool TZedaDaoTable::SeekFoundKey(engine::Recordset& clone, const TKeySearch& key,
                                 int options) const {
    for (size_t k = 0; k < key.Fields.size(); ++k) {
        const Variant value = clone.Fields().Item(FieldByName(key.Fields[k]).FieldName())->Value();
        const int fieldOptions =
            value.Type() == TVarType::String ? options : (options & ~loPartialKey);
        if (!SeekValueMatches(value, key.Values[k], fieldOptions)) return false;
    }
    return true;
}

// A recordset without bookmarks is read from its first row until a row matches.
bool TZedaDaoTable::LocateByScan(const TKeySearch& key, int options) {
    const std::int32_t remembered = position_;
    engine::Recordset& rs = *recordset_;
    CheckBrowseMode();
    CursorPosChanged();
    if (BeforeScroll) BeforeScroll(*this);
    rs.MoveFirst();
    bool found = false;
    for (std::int32_t counter = 0; !rs.Eof(); ++counter, rs.MoveNext()) {
        if (!ScanRowMatches(key, options)) continue;
        if (BeforeScroll) BeforeScroll(*this);
        position_ = counter;
        Resync(0);
        if (AfterScroll) AfterScroll(*this);
        found = true;
        break;
    }
    if (!found) {
        rs.MoveFirst();
        rs.Move(remembered);
        position_ = remembered;
        Resync(rmExact | rmCenter);
    }
    if (AfterScroll) AfterScroll(*this);
    return found;
}

bool TZedaDaoTable::ScanRowMatches(const TKeySearch& key, int options) {
    for (size_t k = 0; k < key.Fields.size(); ++k) {
        const TField& field = FieldByName(key.Fields[k]);
        const auto index = static_cast<size_t>(field.FieldNo() - 1);
        if (index >= fieldCache_.size()) return false;
        const Variant value = fieldCache_[index]->Value();
        // A Null field compares as the empty text.
        const std::string text = value.IsEmptyOrNull() ? std::string() : value.AsString();
        if (!ScanTextMatches(text, key.Values[k], options)) return false;
    }
    return true;
}

// --- key finds ---------------------------------------------------------------------------

bool TZedaDaoTable::FindByKey(TFindKind kind, const std::string& keyFields,
                              const Variant& keyValues, int options) {
    if (!Active() || IsEmpty() || FilterActive()) return false;
    const TKeySearch key = KeyLists(keyFields, keyValues);
    const std::vector<TCriteriaField> fields = CriteriaFields(key.Fields);
    findKeyFields_ = keyFields;
    findKeyValues_ = keyValues;
    findOptions_ = options;
    return FindWhere(kind, OptionKeyCriteria(fields, key.Values, options, UseBrackets));
}

// The engine's find on a clone that stands on the current record.
bool TZedaDaoTable::FindWhere(TFindKind kind, const std::string& criteria) {
    CursorToCurrentRecord();
    const std::int32_t here = position_;
    if (!bookmarkable_) return false;
    TClosing clone(recordset_->Clone());
    clone->MoveFirst();
    clone->Move(here);
    switch (kind) {
        case TFindKind::First:
            clone->FindFirst(criteria);
            break;
        case TFindKind::Last:
            clone->FindLast(criteria);
            break;
        case TFindKind::Next:
            clone->FindNext(criteria);
            break;
        case TFindKind::Prior:
            clone->FindPrevious(criteria);
            break;
    }
    if (clone->NoMatch()) return false;
    MakeFoundCurrent(*clone, rmExact | rmCenter);
    return true;
}

bool TZedaDaoTable::FindRecord(bool restart, bool goForward) {
    if (findKeyFields_.empty() || findKeyValues_.IsEmptyOrNull()) return false;
    const TFindKind kind = restart ? (goForward ? TFindKind::First : TFindKind::Last)
                                   : (goForward ? TFindKind::Next : TFindKind::Prior);
    // Copies: the find stores its own arguments again.
    const std::string keyFields = findKeyFields_;
    const Variant keyValues = findKeyValues_;
    return FindByKey(kind, keyFields, keyValues, findOptions_);
}

// --- finds by the text shown -------------------------------------------------------------

// Row after row of a clone, only the one value loaded and shown as the field shows
// it: what the user reads is what is compared, in every type's own form.
bool TZedaDaoTable::FindShown(TFindKind kind, const std::string& fieldName,
                              const std::string& prefix) {
    if (!Active() || IsEmpty() || FilterActive() || !bookmarkable_ || prefix.empty()) return false;
    TField& field = FieldByName(fieldName);
    const auto index = static_cast<size_t>(field.FieldNo() - 1);
    if (field.FieldKind() != TFieldKind::fkData || index >= loads_.size()) return false;
    if (const auto range = ShownAsPlainInteger(field)) {
        // The engine finds these by ranges of values, with the field's index if any.
        const std::string criteria = ShownIntegerCriteria(field.FieldName(), prefix, range->first,
                                                          range->second, UseBrackets);
        return !criteria.empty() && FindWhere(kind, criteria);
    }
    CursorToCurrentRecord();
    TClosing clone(recordset_->Clone());
    StartAt(*clone, kind, position_);
    const std::shared_ptr<engine::Field> source = clone->Fields().Item(static_cast<int>(index));
    const bool forward = kind == TFindKind::First || kind == TFindKind::Next;
    const std::string key = FoldedCase(prefix);
    TDaoRecordBuffer record;
    record.Values.resize(loads_.size());
    record.BookmarkFlag = static_cast<std::uint8_t>(TBookmarkFlag::bfCurrent);
    std::string shown;
    for (; !clone->Eof() && !clone->Bof(); forward ? clone->MoveNext() : clone->MovePrevious()) {
        if (!LoadValue(*source, index, record.Values[index])) continue;  // deleted meanwhile
        WithCalcBuffer(record, [&] {
            try {
                shown = field.DisplayText();
            } catch (const std::exception&) {
                shown.clear();  // a value that cannot be shown begins with nothing
            }
        });
        if (!FoldedCase(shown).starts_with(key)) continue;
        MakeFoundCurrent(*clone, rmExact | rmCenter);
        return true;
    }
    return false;
}

// The range of an integer field shown as its plain digits; none for other fields.
std::optional<std::pair<std::int64_t, std::int64_t>> TZedaDaoTable::ShownAsPlainInteger(
    const TField& field) {
    const auto* integer = dynamic_cast<const TIntegerField*>(&field);
    if (!integer || field.OnGetText) return std::nullopt;
    switch (field.DataType()) {
        case TFieldType::ftSmallint:
            return std::pair<std::int64_t, std::int64_t>(-32768, 32767);
        case TFieldType::ftWord:
            return std::pair<std::int64_t, std::int64_t>(0, 65535);
        case TFieldType::ftLargeint:
            return std::pair(std::numeric_limits<std::int64_t>::min(),
                             std::numeric_limits<std::int64_t>::max());
        default:
            return std::pair<std::int64_t, std::int64_t>(std::numeric_limits<std::int32_t>::min(),
                                                         std::numeric_limits<std::int32_t>::max());
    }
}

// A search's first row: the first or the last, or the one after or before `here`.
void TZedaDaoTable::StartAt(engine::Recordset& clone, TFindKind kind, std::int32_t here) {
    if (kind == TFindKind::Last) return clone.MoveLast();
    clone.MoveFirst();
    if (kind == TFindKind::First) return;
    clone.Move(here);
    if (kind == TFindKind::Next)
        clone.MoveNext();
    else
        clone.MovePrevious();
}

// --- Lookup ------------------------------------------------------------------------------

Variant TZedaDaoTable::Lookup(const std::string& keyFields, const Variant& keyValues,
                              const std::string& resultFields) {
    Variant result(false);
    if (!Active() || IsEmpty()) return result;
    const TKeySearch key = KeyLists(keyFields, keyValues);
    if (resultFields.empty()) Fail("ResultFields are not defined");
    std::vector<TField*> results;
    bool calculated = false;
    for (const std::string& name : SplitKeyList(resultFields)) {
        TField* field = FindField(name);
        if (!field) Fail("Invalid field name: " + name);
        results.push_back(field);
        calculated = calculated || field->FieldKind() != TFieldKind::fkData;
    }
    const std::string criteria =
        ExactKeyCriteria(CriteriaFields(key.Fields), key.Values, UseBrackets);
    const std::string filter = recordset_->Filter();
    try {
        recordset_->SetFilter(criteria);
        database_->Idle();
        TClosing snapshot(recordset_->OpenRecordset(engine::dbOpenSnapshot, kDenyRead));
        if (!(snapshot->Eof() && snapshot->Bof())) {
            snapshot->MoveFirst();
            result = LookupIn(*snapshot, results, calculated);
        }
    } catch (...) {
        IgnoringErrors([&] { recordset_->SetFilter(filter); });
        throw;
    }
    recordset_->SetFilter(filter);
    return result;
}

Variant TZedaDaoTable::LookupIn(engine::Recordset& snapshot, const std::vector<TField*>& results,
                                bool calculated) {
    std::vector<Variant> values;
    if (calculated) {
        // Calculated results need the whole record, computed as for a fetched one.
        std::vector<std::shared_ptr<engine::Field>> fields;
        for (int i = 0; i < snapshot.Fields().Count(); ++i)
            fields.push_back(snapshot.Fields().Item(i));
        TDaoRecordBuffer record;
        record.BookmarkFlag = static_cast<std::uint8_t>(TBookmarkFlag::bfCurrent);
        LoadValues(fields, record);
        CalculateFields(record);
        WithCalcBuffer(record, [&] {
            for (TField* field : results) values.push_back(field->AsVariant());
        });
    } else {
        for (TField* field : results)
            values.push_back(snapshot.Fields().Item(field->FieldNo() - 1)->Value());
    }
    return values.size() == 1 ? values.front() : Variant::Array(0, std::move(values));
}

}  // namespace zalvert

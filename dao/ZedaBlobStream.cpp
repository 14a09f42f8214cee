#include "dao/ZedaBlobStream.h"

#include <algorithm>
#include <cstring>

#include "dao/ZedaDaoTable.h"
#include "dao/ZedaDaoTableSupport.h"
#include "dataset/DbConsts.h"
#include "rtl/Interaction.h"

namespace zalvert {
using namespace daotable;
namespace {

TZedaDaoTable& TableOf(TBlobField& field) {
    auto* table = dynamic_cast<TZedaDaoTable*>(field.DataSet());
    if (!table) throw EInvalidCast();
    return *table;
}

}  // namespace

TZedaBlobStream::TZedaBlobStream(TBlobField& field, TBlobStreamMode mode)
    : field_(field), table_(TableOf(field)), mode_(mode) {
    open_ = true;
    record_ = table_.StateBuffer();
    index_ = static_cast<size_t>(std::max(field_.FieldNo() - 1, 0));
    if (!record_ || index_ >= record_->Values.size()) return;
    if (mode_ == TBlobStreamMode::bmWrite) {
        if (table_.ReadOnly()) Fail("Cannot write to ReadOnly table!");
        // A write outside an edit would change a buffer nobody posts.
        const TDataSetState state = table_.State();
        if (state != TDataSetState::dsEdit && state != TDataSetState::dsInsert)
            DatabaseError(dbconsts::SNotEditing, table_.Name());
        record_->Values[index_].Text.clear();
        record_->Values[index_].Modified = true;
        modified_ = true;
        return;
    }
    Load();
}

TZedaBlobStream::~TZedaBlobStream() {
    try {
        if (modified_)
            table_.DataEvent(TDataEvent::deFieldChange, reinterpret_cast<std::intptr_t>(&field_));
    } catch (...) {
        ShowException(ApplicationInteraction(), std::current_exception());
    }
    open_ = false;
}

bool TZedaBlobStream::Cached() const {
    const TFieldType type = field_.DataType();
    return (type == TFieldType::ftMemo && table_.CacheMemos()) ||
           (type == TFieldType::ftBlob && table_.CacheBlobs());
}

const std::string& TZedaBlobStream::DefaultText() const {
    static const std::string kNone;
    const auto& defaults = table_.DefaultValues();
    return index_ < defaults.size() ? defaults[index_] : kNone;
}

void TZedaBlobStream::Load() {
    const TDaoValue& entry = record_->Values[index_];
    // What this edit wrote is the field's content until it is posted or cancelled.
    if (entry.Modified) {
        content_ = entry.Text;
        return;
    }
    const bool newRecord = record_->Position == -1;
    if (Cached()) {
        content_ = newRecord && entry.Text.empty() ? DefaultText() : entry.Text;
        return;
    }
    LoadFromEngine();
}

void TZedaBlobStream::LoadFromEngine() {
    std::int32_t saved = 0;
    IgnoringErrors([&] { saved = table_.CurrentBookmarkValue(); });
    const std::int32_t bookmark = record_->Bookmark;
    const bool newRecord = record_->Position == -1;
    try {
        if (bookmark > 0) table_.PositionByBookmark(bookmark);
        if (table_.State() == TDataSetState::dsInsert && newRecord) {
            const std::string& entry = record_->Values[index_].Text;
            content_ = entry.empty() && !DefaultText().empty() ? DefaultText() : entry;
        } else {
            engine::Field& source = *table_.fieldCache_.at(index_);
            const Variant value = source.Value();
            if (value.IsEmptyOrNull()) {
                content_.clear();
            } else if (value.Type() == TVarType::Bytes) {
                const TBytes& bytes = value.AsBytes();
                const auto size = std::min(bytes.size(), static_cast<size_t>(source.FieldSize()));
                content_.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
            } else {
                content_ = value.AsString();
            }
            if (IDaoEncrypter* encrypter = table_.encrypterObject_) {
                encrypter->SetEncodedString(content_);
                content_ = encrypter->DecodedString();
            }
        }
    } catch (const std::exception&) {
        content_.clear();
        if (!table_.ForwardOnly()) IgnoringErrors([&] { table_.RefreshOrReopen(); });
    }
    if (saved > 0) IgnoringErrors([&] { table_.PositionByBookmark(saved); });
}

std::size_t TZedaBlobStream::Read(void* buffer, std::size_t count) {
    if (!open_ || position_ >= Size()) return 0;  // nothing lies beyond the content
    const auto available = static_cast<std::size_t>(Size() - position_);
    count = std::min(count, available);
    if (count > 0) {
        std::memcpy(buffer, content_.data() + position_, count);
        position_ += static_cast<std::int64_t>(count);
    }
    return count;
}

std::size_t TZedaBlobStream::Write(const void* buffer, std::size_t count) {
    if (!open_ || !record_ || index_ >= record_->Values.size()) return 0;
    // Whatever stood after the position is dropped.
    content_.resize(static_cast<size_t>(std::clamp<std::int64_t>(position_, 0, Size())));
    content_.append(static_cast<const char*>(buffer), count);
    record_->Values[index_].Text = content_;
    record_->Values[index_].Modified = true;
    modified_ = true;
    position_ += static_cast<std::int64_t>(count);
    return count;
}

std::int64_t TZedaBlobStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    switch (origin) {
        case TSeekOrigin::Beginning:
            position_ = offset;
            break;
        case TSeekOrigin::Current:
            position_ += offset;
            break;
        case TSeekOrigin::End:
            position_ = Size() + offset;
            break;
    }
    return position_;
}

}  // namespace zalvert

#include "dao/ZedaBlobStream.h"

#include <algorithm>

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
        content_.Bytes = entry.Text;
        return;
    }
    const bool newRecord = record_->Position == -1;
    if (Cached()) {
        content_.Bytes = newRecord && entry.Text.empty() ? DefaultText() : entry.Text;
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
            content_.Bytes = entry.empty() && !DefaultText().empty() ? DefaultText() : entry;
        } else {
            engine::Field& source = *table_.fieldCache_.at(index_);
            const Variant value = source.Value();
            if (value.IsEmptyOrNull()) {
                content_.Bytes.clear();
            } else if (value.Type() == TVarType::Bytes) {
                const TBytes& bytes = value.AsBytes();
                const auto size = std::min(bytes.size(), static_cast<size_t>(source.FieldSize()));
                content_.Bytes.assign(bytes.begin(),
                                      bytes.begin() + static_cast<std::ptrdiff_t>(size));
            } else {
                content_.Bytes = value.AsString();
            }
            if (IDaoEncrypter* encrypter = table_.encrypterObject_) {
                encrypter->SetEncodedString(content_.Bytes);
                content_.Bytes = encrypter->DecodedString();
            }
        }
    } catch (const std::exception&) {
        content_.Bytes.clear();
        if (!table_.ForwardOnly()) IgnoringErrors([&] { table_.RefreshOrReopen(); });
    }
    if (saved > 0) IgnoringErrors([&] { table_.PositionByBookmark(saved); });
}

std::size_t TZedaBlobStream::Read(void* buffer, std::size_t count) {
    return open_ ? content_.Read(buffer, count) : 0;
}

std::size_t TZedaBlobStream::Write(const void* buffer, std::size_t count) {
    if (!open_ || !record_ || index_ >= record_->Values.size()) return 0;
    const std::size_t written = content_.Write(buffer, count);
    if (written == 0 && count > 0) return 0;
    record_->Values[index_].Text = content_.Bytes;
    record_->Values[index_].Modified = true;
    modified_ = true;
    return written;
}

std::int64_t TZedaBlobStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    return content_.Seek(offset, origin);
}

}  // namespace zalvert

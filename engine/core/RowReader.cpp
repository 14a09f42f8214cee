// Rows read through a forward-only recordset: the way for every database that has
// no quicker one of its own.

#include <exception>

#include "engine/Dao.h"

namespace zalvert::engine {
namespace {

class TRecordsetRow : public RowValues {
  public:
    explicit TRecordsetRow(Recordset& rs) {
        for (int i = 0; i < rs.Fields().Count(); ++i) fields_.push_back(rs.Fields().Item(i));
        values_.resize(fields_.size());
        texts_.resize(fields_.size());
    }

    void Read() {
        for (size_t i = 0; i < fields_.size(); ++i) values_[i] = fields_[i]->Value();
    }
    bool IsNull(int column) const override { return values_.at(column).IsEmptyOrNull(); }
    std::string_view Text(int column) const override {
        const Variant& value = values_.at(column);
        if (value.IsEmptyOrNull()) return {};
        if (value.Type() == TVarType::String) return value.StringValue();
        texts_[column] = value.AsString();
        return texts_[column];
    }
    std::optional<TDateTime> Date(int column) const override {
        const Variant& value = values_.at(column);
        if (value.IsEmptyOrNull()) return std::nullopt;
        try {
            return value.AsDateTime();
        } catch (const std::exception&) {
            return std::nullopt;  // a text that is no date
        }
    }
    long long Integer(int column) const override {
        const Variant& value = values_.at(column);
        return value.IsEmptyOrNull() ? 0 : value.AsInt64();
    }

  private:
    std::vector<std::shared_ptr<Field>> fields_;
    std::vector<Variant> values_;
    mutable std::vector<std::string> texts_;  // values that are no text, as text
};

// Everything was read before the reader was handed out.
class TReadRows : public RowReader {
  public:
    void Wait() override {}
};

}  // namespace

std::unique_ptr<ReadSnapshot> Database::HoldSnapshot() {
    return std::make_unique<ReadSnapshot>();
}

std::unique_ptr<RowReader> Database::ReadRows(const std::string& sql, RowHandler each,
                                              std::function<void()> done) {
    auto rs = OpenRecordset(sql, dbOpenForwardOnly);
    TRecordsetRow row(*rs);
    for (; !rs->Eof(); rs->MoveNext()) {
        row.Read();
        each(row);
    }
    rs->Close();
    if (done) done();
    return std::make_unique<TReadRows>();
}

}  // namespace zalvert::engine

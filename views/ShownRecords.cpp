#include "views/ShownRecords.h"

#include <algorithm>
#include <memory>

#include "dao/ZedaDaoDataBase.h"
#include "dao/ZedaDaoTable.h"
#include "engine/Dao.h"
#include "rtl/FormatSettings.h"

namespace zalvert {
namespace {

TCellKind KindOf(TFieldType type) {
    switch (type) {
        case TFieldType::ftSmallint:
        case TFieldType::ftInteger:
        case TFieldType::ftWord:
        case TFieldType::ftAutoInc:
        case TFieldType::ftLargeint:
            return TCellKind::Integer;
        case TFieldType::ftFloat:
        case TFieldType::ftBCD:
            return TCellKind::Number;
        case TFieldType::ftCurrency:
            return TCellKind::Currency;
        case TFieldType::ftDate:
        case TFieldType::ftTime:
        case TFieldType::ftDateTime:
            return TCellKind::DateTime;
        case TFieldType::ftBoolean:
            return TCellKind::YesNo;
        default:
            return TCellKind::Text;
    }
}

// Closes the clone however the reading ends.
struct TClosingClone {
    std::shared_ptr<engine::Recordset> Clone;
    ~TClosingClone() {
        try {
            if (Clone) Clone->Close();
        } catch (const std::exception&) {
            // nothing was changed through it
        }
    }
};

}  // namespace

std::vector<TShownColumn> ShownColumns(
    TZedaDaoTable& table, const std::vector<std::pair<std::string, std::string>>& shown) {
    std::vector<TShownColumn> columns;
    const auto add = [&](const std::string& name, const std::string& title) {
        TField* field = table.FindField(name);
        if (!field) return;
        columns.push_back({field->FieldName(), title, KindOf(field->DataType())});
    };
    for (const auto& [name, title] : shown) add(name, title);
    for (int i = 0; i < table.FieldCount(); ++i) {
        const std::string name = table.Fields()[i].FieldName();
        const bool listed = std::any_of(columns.begin(), columns.end(),
                                        [&](const TShownColumn& c) { return c.Field == name; });
        if (!listed) add(name, name);
    }
    return columns;
}

bool ReadShownRecords(TZedaDaoTable& table, const std::vector<TShownColumn>& columns,
                      const std::function<void(const std::vector<Variant>&)>& row,
                      const std::function<bool(long done, long total)>& progress) {
    if (!table.Active() || !table.Recordset()) return true;
    // One view for all the records: each read then takes no lock of its own.
    const auto snapshot = table.Database()->DatabaseObject()->HoldSnapshot();
    TClosingClone closing{table.Recordset()->Clone()};
    engine::Recordset& records = *closing.Clone;
    std::vector<std::shared_ptr<engine::Field>> fields;
    for (const TShownColumn& column : columns)
        fields.push_back(records.Fields().Item(column.Field));
    const long total = table.RecordCount();
    std::vector<Variant> values(columns.size());
    long done = 0;
    if (progress && !progress(0, total)) return false;
    if (records.Bof() && records.Eof()) return true;
    for (records.MoveFirst(); !records.Eof(); records.MoveNext()) {
        try {
            for (size_t c = 0; c < fields.size(); ++c) values[c] = fields[c]->Value();
        } catch (const engine::EDaoError& e) {
            // Deleted by another user since the window read its records: not shown.
            if (!e.Is(engine::TDaoErr::RecordDeleted)) throw;
            continue;
        }
        row(values);
        if (++done % 512 == 0 && progress && !progress(done, total)) return false;
    }
    return !progress || progress(done, std::max(total, done));
}

std::string ShownText(const Variant& value, TCellKind kind) {
    if (value.IsEmptyOrNull()) return {};
    switch (kind) {
        case TCellKind::Currency:
            return CurrencyText(value.AsDouble());
        case TCellKind::Number:
            return FloatToStr(value.AsDouble());
        case TCellKind::DateTime:
            return DateTimeToStr(value.AsDateTime());
        case TCellKind::YesNo:
            return value.AsBoolean() ? "Wahr" : "Falsch";
        default:
            return value.AsString();
    }
}

}  // namespace zalvert

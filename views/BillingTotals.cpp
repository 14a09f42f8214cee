#include "views/BillingTotals.h"

#include "dao/ZedaDaoDataBase.h"
#include "dao/ZedaDaoTable.h"
#include "engine/Dao.h"
#include "rtl/FormatSettings.h"

namespace zalvert {

TBillingTotals ReadBillingTotals(TZedaDaoTable& table) {
    std::string sql = "SELECT Count(*), Sum(Netto) FROM Zalvert";
    if (table.Filtered() && !table.Filter().empty()) sql += " WHERE " + table.Filter();
    auto rs = table.Database()->DatabaseObject()->OpenRecordset(sql, engine::dbOpenSnapshot);
    TBillingTotals totals;
    const Variant count = rs->Fields().Item(0)->Value();
    const Variant netto = rs->Fields().Item(1)->Value();
    if (!count.IsEmptyOrNull()) totals.Count = count.AsInt64();
    if (!netto.IsEmptyOrNull()) totals.Netto = netto.AsDouble();
    rs->Close();
    return totals;
}

std::string BillingTotalsText(const TBillingTotals& totals) {
    return GroupedNumber(totals.Count) + (totals.Count == 1 ? " Datensatz" : " Datensätze") +
           " \xC2\xB7 Netto " + CurrencyText(totals.Netto);
}

TTotalsLink::TTotalsLink(std::function<void()> changed) {
    // Many changes in a row (an import's records, a filter and the move after it)
    // are counted once.
    timer_.setSingleShot(true);
    timer_.setInterval(100);
    QObject::connect(&timer_, &QTimer::timeout, std::move(changed));
}

}  // namespace zalvert

#pragma once
// How many billing records the window shows and the sum of their Netto, for its
// status line, counted by the database over the billing table's filter; and the
// link that has them counted again, once, after the records have changed.

#include <QObject>
#include <QTimer>
#include <functional>
#include <string>

#include "dataset/DataSource.h"

namespace zalvert {

class TZedaDaoTable;

struct TBillingTotals {
    long long Count = 0;
    double Netto = 0;
};

// Raises the database's error.
TBillingTotals ReadBillingTotals(TZedaDaoTable& table);
// "12.345 Datensätze · Netto 1.234.567,89 €"
std::string BillingTotalsText(const TBillingTotals& totals);

// Calls `changed` shortly after records were stored, deleted, filtered or read
// anew; moving from record to record changes nothing.
class TTotalsLink : public TDataLink {
  public:
    explicit TTotalsLink(std::function<void()> changed);

  protected:
    void ActiveChanged() override { timer_.start(); }
    void DataSetChanged() override { timer_.start(); }
    void DataSetScrolled(int) override {}

  private:
    QTimer timer_;
};

}  // namespace zalvert

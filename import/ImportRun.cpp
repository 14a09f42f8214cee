#include "import/ImportRun.h"

#include <algorithm>
#include <cstdio>
#include <future>

#include "data/RunLock.h"
#include "import/StepProbe.h"
#include "rtl/DateConvert.h"
#include "rtl/Utf8.h"

namespace zalvert {
namespace {

constexpr int kCompanyColumn = 0;
constexpr int kErrorColumn = 5;
// Below this many rows a second thread for the keys costs more than it saves.
constexpr int kRowsForTwoThreads = 20000;

bool OnlyDigitsAndStops(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

}  // namespace

std::string ImportSummary(const TImportCounts& counts) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "%d Datensätze verarbeitet, %d Datensätze importiert, %d Zeilen ungültig",
                  counts.Processed, counts.Imported, counts.Refused);
    std::string summary = text;
    if (counts.Duplicates > 0)
        summary += ", davon " + std::to_string(counts.Duplicates) + " doppelt";
    return summary;
}

TImportRun::TImportRun(TData& data, TImportGrid& grid, IImportView& view)
    : data_(data), grid_(grid), view_(view) {}

std::vector<std::string> TImportRun::ReadCompanies() {
    std::vector<std::string> companies;
    TZedaDaoTable& recvon = *data_.Recvon;
    recvon.Open();
    // Every company counts, however many the table holds.
    for (; !recvon.Eof(); recvon.Next())
        companies.push_back(AsciiLowerCase(recvon.FieldByName("Firma").AsString()));
    recvon.Close();
    return companies;
}

int TImportRun::NextImportId() {
    int id = 1;
    TZedaDaoTable& query = *data_.qImportid;
    query.Open();
    if (query.RecordCount() > 0) id = query.FieldByName("importid").AsInteger() + 1;
    query.Close();
    return std::max(id, TRunLog(data_).LastImportId() + 1);
}

void TImportRun::StartRun() {
    companies_ = ReadCompanies();
    // The field cannot change while the run holds the user-interface thread.
    year_ = view_.ImportYear();
    dates_ = {};
}

TImportCounts TImportRun::Run(TRunLogEntry entry) {
    StartRun();
    view_.SetProgressMaximum(grid_.RowCount() - 1);
    importId_ = 0;
    importedMeanwhile_.reset();
    TImportCounts counts;
    TZedaDaoDatabase& db = *data_.Datenbank;
    bool waited = false;
    BeginLockedRun(data_, lockTimeout_, [&](int seconds) {
        waited = true;
        view_.ShowWaiting("Warte auf einen anderen Import (" + std::to_string(seconds) + " s) …");
    });
    if (waited) view_.ShowWaiting({});
    try {
        if (FoundImportedMeanwhile(entry.Sha256)) {
            db.Rollback();
            return counts;
        }
        // Under the run's lock: no other run can take the same identifier.
        const int importId = NextImportId();
        view_.ShowImportId(std::to_string(importId));
        ImportRows(importId, counts);
        entry.ImportId = importId;
        entry.Counts = counts;
        TRunLog(data_).Append(entry);
        if (commitCheck_) commitCheck_();
        ProbeStep(TImportStep::BeforeCommit);
        db.Commit();
        importId_ = importId;
    } catch (...) {
        db.Rollback();
        // Records of the run that the billing table had seen are gone again.
        try {
            if (data_.Zalvert->Active()) {
                data_.Zalvert->Close();
                data_.Zalvert->Open();
            }
        } catch (const std::exception&) {
        }
        throw;
    }
    view_.ShowSummary(ImportSummary(counts));
    return counts;
}

bool TImportRun::FoundImportedMeanwhile(const std::string& sha256) {
    if (sha256.empty()) return false;
    auto earlier = TRunLog(data_).FindByHash(sha256);
    if (!earlier || earlier->ImportId == agreedRepeat_) return false;
    importedMeanwhile_ = std::move(earlier);
    return true;
}

TImportCounts TImportRun::MarkRefusals(int importId) {
    StartRun();
    PrepareDuplicateCheck(importId);
    TImportCounts counts;
    for (int row = 1; row < grid_.RowCount(); ++row) {
        TDateTime from = 0, to = 0;
        try {
            if (Accept(row, from, to, counts)) grid_.SetCells(kErrorColumn, row, {});
        } catch (const std::exception&) {
            // A date the run converted, now without its year (29.02.): it was stored.
            grid_.SetCells(kErrorColumn, row, {});
            ++counts.Imported;
        }
    }
    return counts;
}

bool TImportRun::Accept(int row, TDateTime& from, TDateTime& to, TImportCounts& counts) {
    ++counts.Processed;
    std::string refused;
    // A row with a key was taken by the row check when the key was made.
    const bool keyed = lineKeys_ && lineKeys_->Taken(row);
    refused = keyed ? CheckDates(row, from, to, dates_) : CheckRow(row, from, to, dates_);
    if (refused.empty() && keyed) {
        refused = CheckDuplicate(row);
        if (!refused.empty()) ++counts.Duplicates;
    }
    if (refused.empty()) return true;
    grid_.SetCells(kErrorColumn, row, refused);
    ++counts.Refused;
    return false;
}

void TImportRun::PrepareDuplicateCheck(int exceptRun) {
    storedKeys_.StopLoading();
    lineKeys_.reset();
    if (keepDuplicates_) return;
    lineKeys_.emplace(grid_.RowCount());
    storedKeys_.StartLoading(*data_.Datenbank->DatabaseObject(), *lineKeys_, exceptRun);
    try {
        AddLineKeys();
        lineKeys_->EndAdding();
    } catch (...) {
        // The reading uses the connection: it ends before the run rolls back.
        storedKeys_.StopLoading();
        throw;
    }
    storedKeys_.LinesComplete();
    storedKeys_.FinishLoading();
    lineKeys_->EndMatching();
}

// A row's key depends on that row alone: a large file's second half gets its keys
// on a thread of its own, while nothing else needs the processor.
void TImportRun::AddLineKeys() {
    const int rows = grid_.RowCount();
    if (rows < kRowsForTwoThreads) return AddLineKeys(1, rows, dates_);
    const int half = rows / 2;
    auto secondHalf = std::async(std::launch::async, [this, half, rows] {
        TDateMemo dates;
        AddLineKeys(half, rows, dates);
    });
    AddLineKeys(1, half, dates_);
    secondHalf.get();
}

void TImportRun::AddLineKeys(int firstRow, int endRow, TDateMemo& dates) {
    TRecordKeyHasher hasher;
    for (int row = firstRow; row < endRow; ++row) {
        TDateTime from = 0, to = 0;
        try {
            if (!CheckRow(row, from, to, dates).empty()) continue;
        } catch (const std::exception&) {
            continue;  // the run meets it again at this row
        }
        lineKeys_->Add(row, hasher.Hash({grid_.Cells(0, row), grid_.Cells(1, row),
                                         grid_.Cells(4, row), from, to}));
    }
}

std::string TImportRun::CheckDuplicate(int row) const {
    if (!lineKeys_ || !lineKeys_->Taken(row)) return {};
    if (const auto run = lineKeys_->StoredRun(row))
        return "Doppelt: bereits mit Import " + std::to_string(*run) + " gespeichert";
    if (const auto earlier = lineKeys_->EarlierRow(row))
        return "Doppelt: wie Zeile " + std::to_string(*earlier);
    return {};
}

void TImportRun::ImportRows(int importId, TImportCounts& counts) {
    TZedaDaoTable& zalvert = *data_.Zalvert;
    // A grid showing the billing table follows once, when the rows are in.
    zalvert.DisableControls();
    struct TEnable {
        TZedaDaoTable& Table;
        ~TEnable() {
            try {
                Table.EnableControls();
            } catch (const std::exception&) {
                // the controls catch up at their next refresh
            }
        }
    } enable{zalvert};
    // One vector for every row, its texts overwritten in place: a braced list would
    // copy each text once more.
    std::vector<Variant> values(7);
    values[5] = Variant(0);
    values[6] = Variant(importId);
    // Under the run's lock: no other run stores a record between this and the commit.
    PrepareDuplicateCheck();
    for (int row = 1; row < grid_.RowCount(); ++row) {
        view_.SetProgressPosition(row, counts);
        TDateTime from = 0, to = 0;
        if (!Accept(row, from, to, counts)) continue;
        values[0].AssignText(grid_.Cells(0, row));
        values[1].AssignText(grid_.Cells(1, row));
        values[2] = Variant::FromDate(from);
        values[3] = Variant::FromDate(to);
        values[4].AssignText(grid_.Cells(4, row));
        zalvert.InsertFromValues(values);
        // A stored row shows no refusal of an earlier run.
        grid_.SetCells(kErrorColumn, row, {});
        ++counts.Imported;
    }
}

std::string TImportRun::CheckRow(int row, TDateTime& from, TDateTime& to, TDateMemo& dates) const {
    if (!KnownCompany(grid_.Cells(kCompanyColumn, row))) return "falsche Firma";
    return CheckDates(row, from, to, dates);
}

std::string TImportRun::CheckDates(int row, TDateTime& from, TDateTime& to,
                                   TDateMemo& dates) const {
    const std::string_view cells[] = {grid_.Cells(2, row), grid_.Cells(3, row)};
    if (cells[0].empty() || cells[1].empty()) return "Kein Datum";
    TDateTime* targets[] = {&from, &to};
    for (int i : {0, 1}) {
        // Both dates are refused with the same text. A cell of other characters is
        // refused with the year or without; one of digits and stops has a byte a
        // character, so six bytes are a date without its year.
        if (!OnlyDigitsAndStops(cells[i])) return "Datum von ungültig";
        std::string_view text = cells[i];
        std::string withYear;
        if (text.size() == 6) {
            withYear.append(text).append(year_);
            if (!OnlyDigitsAndStops(withYear)) return "Datum von ungültig";
            text = withYear;
        }
        *targets[i] = dates.Get(text, [](std::string_view t) { return StrToDate(t); });
    }
    return {};
}

bool TImportRun::KnownCompany(std::string_view cell) const {
    // The names are kept in lower case. A cell of the usual length is lowered into
    // a buffer of its own, for a plain search; a longer one is compared as it is.
    char lowered[128];
    if (cell.size() <= sizeof lowered) {
        std::transform(cell.begin(), cell.end(), lowered, AsciiLower);
        const std::string_view lower(lowered, cell.size());
        return std::any_of(companies_.begin(), companies_.end(), [&](const std::string& company) {
            return !company.empty() && lower.find(company) != std::string_view::npos;
        });
    }
    const auto sameLetter = [](char c, char lower) { return AsciiLower(c) == lower; };
    for (const std::string& company : companies_)
        if (!company.empty() && std::search(cell.begin(), cell.end(), company.begin(),
                                            company.end(), sameLetter) != cell.end())
            return true;
    return false;
}

}  // namespace zalvert

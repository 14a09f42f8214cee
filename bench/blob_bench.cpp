// Posting large memos and blobs through the table component: a 10 MB and a 50 MB
// value written through a blob stream and posted, with the time of the post and
// the peak growth of resident memory during it in bytes per byte of the value.
// Each value goes into a record of its own whose other fields are small; the last
// case replaces a 50 MB blob by another (an attachment exchanged).

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/BenchTools.h"
#include "dao/ZedaDaoDataBase.h"
#include "dao/ZedaDaoTable.h"
#include "engine/Dao.h"

namespace zalvert {
namespace {

using bench::Seconds;

void PostThroughAStream(const std::string& path, const char* field, std::size_t size,
                        const char* what) {
    TZedaDaoDatabase db;
    db.F_Set_Database(path);
    db.Open();
    TZedaDaoTable table;
    table.F_Set_Database(&db);
    table.F_Set_TableName("Anhang");
    table.Open();
    table.Last();
    std::string value(size, '\0');
    for (std::size_t i = 0; i < size; ++i) value[i] = static_cast<char>('a' + (i + size) % 26);
    table.Edit();
    {
        auto stream = table.CreateBlobStream(dynamic_cast<TBlobField&>(table.FieldByName(field)),
                                             TBlobStreamMode::bmWrite);
        stream->Write(value.data(), value.size());
    }
    bench::ResetPeakResident();
    const long before = bench::ResidentBytes();
    const double post = Seconds([&] { table.Post(); });
    const long peak = bench::PeakResidentBytes() - before;
    std::printf("%-5s %3zu MB %-9s: posted in %7.1f ms, peak growth %7.1f MB (%.2f bytes a byte)\n",
                field, size >> 20, what, post * 1000, static_cast<double>(peak) / (1 << 20),
                static_cast<double>(peak) / static_cast<double>(size));
    table.Close();
    db.Close();
}

}  // namespace
}  // namespace zalvert

int main() {
    using namespace zalvert;
    const std::string folder = std::filesystem::temp_directory_path() / "zalvert-blob-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/anhang.db";
    auto engine = engine::CreateDBEngine("DAO.DBEngine.36");
    auto db = engine->CreateDatabase(path);
    db->Execute("CREATE TABLE Anhang (nr COUNTER PRIMARY KEY, notiz MEMO, daten LONGBINARY)");
    const auto addRecord = [&] { db->Execute("INSERT INTO Anhang (notiz) VALUES ('x')"); };
    std::printf("A value written through a blob stream, then posted (%s)\n",
                bench::AllocatorName().c_str());
    for (std::size_t megabytes : {10, 50})
        for (const char* field : {"notiz", "daten"}) {
            addRecord();
            PostThroughAStream(path, field, megabytes << 20, "new");
        }
    PostThroughAStream(path, "daten", 50 << 20, "replaced");
    db->Close();
    std::filesystem::remove_all(folder);
}

// Scrolling record by record through a million records of an in-memory dataset
// with a grid-sized ring of 40 buffers: the cost of Next and Prior per step.

#include <cstdio>

#include "bench/BenchTools.h"
#include "dataset/DataSource.h"
#include "tests/dataset/MemDataSet.h"

using namespace zalvert;

namespace {

class TGridLink : public TDataLink {};

void Measure(int rows) {
    testing::TMemDataSet data({{"ID", TFieldType::ftInteger}, {"Name", TFieldType::ftString, 30}});
    for (int i = 0; i < rows; ++i)
        data.AddRow({TFieldData(std::int32_t{i}),
                     TFieldData(std::string("Spedition Nummer ") + std::to_string(i))});
    TDataSource source;
    source.SetDataSet(&data);
    TGridLink link;
    link.SetBufferCount(40);
    link.SetDataSource(&source);
    data.Open();
    TField& id = data.FieldByName("ID");
    long long sum = 0;
    const double forward = bench::Seconds([&] {
        while (!data.Eof()) {
            sum += id.AsInteger();
            data.Next();
        }
    });
    const double backward = bench::Seconds([&] {
        while (!data.Bof()) {
            sum += id.AsInteger();
            data.Prior();
        }
    });
    std::printf(
        "%8d records, 40 buffers: Next %4.0f ns per step, Prior %4.0f ns per step (checksum "
        "%lld)\n",
        rows, forward * 1e9 / rows, backward * 1e9 / rows, sum);
}

}  // namespace

int main() {
    // The same cost per step at every size: scrolling does not depend on the record count.
    for (int rows : {10000, 100000, 1000000}) Measure(rows);
    return 0;
}

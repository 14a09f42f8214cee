#pragma once
// The refused lines of a run, kept beside the file's archive copy: one line per
// refused row with its five fields as the grid holds them and the reason, in the
// source file's encoding and line ends, written so that the program reads it
// back to the same fields once the lines are corrected.

#include <string>

#include "import/ImportGrid.h"
#include "rtl/TextFileReader.h"

namespace zalvert {

struct TTextFormat {
    TTextEncoding Encoding = TTextEncoding::Utf8;
    bool ByteOrderMark = false;
    std::string LineEnd = "\r\n";
};

// "touren-20180305-14_07_09.csv" gives "touren-20180305-14_07_09.abgelehnt.csv".
std::string RefusedReportName(const std::string& archiveName);
// Writes the report unless the run refused no row; false then. The file appears
// whole or not at all; it is written a piece at a time, never held whole in
// memory. Raises EInOutError naming the file.
bool WriteRefusedReport(const TImportGrid& grid, const TTextFormat& format,
                        const std::string& path);

}  // namespace zalvert

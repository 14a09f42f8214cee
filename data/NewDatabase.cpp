// zalvert-newdb PATH [COMPANY...] [-f FILE]: creates a database (PATH a file, or an ODBC
// connect text "odbc;DSN=...;UID=...;PWD=..." for a server) with the schema the
// program expects; the companies (from the arguments and from FILE, one a line)
// become the accepted sender companies.

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "data/Schema.h"
#include "rtl/Exceptions.h"

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::cerr << "usage: zalvert-newdb PATH|\"odbc;DSN=...\" [COMPANY...] [-f FILE]\n";
        return 2;
    }
    std::vector<std::string> companies;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg != "-f") {
            companies.push_back(arg);
            continue;
        }
        if (++i >= argc) {
            std::cerr << "zalvert-newdb: -f needs a file\n";
            return 2;
        }
        std::ifstream in(argv[i]);
        if (!in) {
            std::cerr << "zalvert-newdb: cannot read " << argv[i] << "\n";
            return 1;
        }
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) companies.push_back(line);
        }
    }
    try {
        zalvert::CreateZalvertDatabase(argv[1], companies);
    } catch (const std::exception& e) {
        std::cerr << "zalvert-newdb: " << e.what() << "\n";
        return 1;
    }
    std::cout << "Created " << argv[1] << " with " << companies.size() << " companies\n";
    return 0;
}

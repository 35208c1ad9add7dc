#pragma once
// Reads the reference decodes that lie beside the shared real designs: comma-separated rows after
// a line of column names, CR LF or LF line ends.

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tessaline::test {

// The fields of every row after the column names; empty lines are skipped.
inline std::vector<std::vector<std::string>> readCsvRows(const std::filesystem::path& csv) {
    std::vector<std::vector<std::string>> rows;
    std::ifstream in(csv);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1) {
            fields.push_back(line.substr(start, comma - start));
        }
        fields.push_back(line.substr(start));
        rows.push_back(fields);
    }
    return rows;
}

}  // namespace tessaline::test

// Survey points from text: CSV (.csv, comma-separated) or whitespace-separated
// columns (.xyz, .txt; commas are accepted there too). Lines that are blank or
// start with '#' are skipped; a first line whose chosen columns are not all
// numbers is a header, and columns may then be named by it.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace cli {

struct ColumnChoice {
    std::string elevation;  // 1-based number or header name
    std::string y;
    std::string z;                     // empty for a 2D profile
    bool depth_positive_down = false;  // the elevation column holds depths: X = -value
};

struct Points {
    std::vector<float> x, y, z;
    std::vector<std::int64_t> lines;  // line number of each point in the text
};

/// Reads the points; throws Failure naming the file, the line and the column
/// of the first bad row.
Points read_points(std::istream& in, const std::string& name, bool comma_separated, const ColumnChoice& choice);

/// Splits a line of a delimited text; used for query point files as well.
std::vector<std::string> split_fields(const std::string& line, bool comma_separated);

/// Parses a whole field as a finite double; false for anything else.
bool parse_number(const std::string& field, double& value);

}  // namespace cli

// Survey points from text as engineers hand it over: comma, semicolon, tab or
// blank separated columns, from a file, a gzip file or standard input ("-"),
// with or without a UTF-8 byte-order mark. Lines that are blank or start with
// '#' are skipped. A first line is a header only when declared or when its
// fields are names, so a first data row is never lost to a guess.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cli {

struct ColumnChoice {
    std::string elevation;  // 1-based number or header name
    std::string y;
    std::string z;                     // empty for a 2D profile
    bool depth_positive_down = false;  // the elevation column holds depths: X = -value
};

/// How the rows are read. delimiter: "auto", "comma", "semicolon", "tab" or
/// "whitespace" (or the character itself).
struct ReadChoice {
    std::string delimiter = "auto";
    bool header = false;                // the first line is a header, whatever it holds
    bool skip_bad = false;              // count bad rows instead of stopping at the first
    std::optional<double> nodata;       // an elevation (as written) that marks no sounding
};

struct Points {
    std::vector<double> x, y, z;      // as read, before any offset; x already signed as elevation
    std::vector<std::int64_t> lines;  // line number of each point in the text
    std::string delimiter;            // the name of the delimiter used
    bool header = false;              // a header line was read
    std::int64_t bad = 0, nodata = 0;
    std::vector<std::int64_t> bad_lines;  // the first few bad rows
};

/// The text of a file, of a gzip file, or of standard input ("-"), without
/// its byte-order mark. Throws Failure when it cannot be read.
std::string read_text(const std::string& path);

/// One delimiter character for the text: ' ' stands for runs of blanks.
/// choice "auto" looks at the first data lines.
char delimiter_of(const std::string& text, const std::string& choice);

/// The name of a delimiter character, for messages.
std::string delimiter_name(char d);

/// Reads the points; throws Failure naming the file, the line and the column
/// of the first bad row (unless bad rows are skipped).
Points read_points(const std::string& text, const std::string& name, const ColumnChoice& columns,
                   const ReadChoice& read);

/// Splits a line at delimiter d (' ': runs of blanks), trimming and unquoting fields.
std::vector<std::string> split_fields(const std::string& line, char d);

/// Parses a whole field as a finite double; false for anything else. With
/// decimal_comma, "1,5" reads as 1.5 (only when commas do not separate fields).
bool parse_number(const std::string& field, double& value, bool decimal_comma = false);

}  // namespace cli

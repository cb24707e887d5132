#include "points.hpp"

#include <fmt/format.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>

#include "failure.hpp"
#include "huge_pages.hpp"

namespace cli {
namespace {

std::string trim(const std::string& s) {
    auto a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return "";
    auto b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

std::string unquote(std::string s) {
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        s = s.substr(1, s.size() - 2);
    return s;
}

/// 0-based index of a column given by number, or -1 when it is a name.
int column_number(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return -1;
    long v = std::strtol(text.c_str(), nullptr, 10);
    if (v < 1 || v > 10000) throw Failure(kExitUsage, "column numbers start at 1, got " + text);
    return static_cast<int>(v - 1);
}

bool is_data_line(const std::string& t) {
    return !t.empty() && t[0] != '#';
}

/// A field that names a column: it starts with a letter or an underscore and
/// is no number ("nan" and "inf" are numbers to strtod, and names here).
bool is_name(const std::string& f) {
    return !f.empty() && (std::isalpha(static_cast<unsigned char>(f[0])) || f[0] == '_');
}

}  // namespace

std::string read_text(const std::string& path) {
    // zlib reads plain text unchanged, so one reader serves .gz and plain
    // files and standard input alike.
    gzFile gz = nullptr;
    if (path == "-") {
        int fd = dup(STDIN_FILENO);
        gz = fd < 0 ? nullptr : gzdopen(fd, "rb");
    } else {
        gz = gzopen(path.c_str(), "rb");
    }
    std::string where = path == "-" ? "standard input" : path;
    if (!gz) throw Failure(kExitToolFailure, "cannot read " + where + ": " + std::strerror(errno ? errno : ENOENT));
    std::string text;
    // A plain file's size ahead (a gzip file's is a start): growing by
    // doubling copies the text read so far and touches fresh pages each time,
    // which costs more than the read itself on large files.
    std::error_code size_error;
    if (path != "-") {
        const auto size = std::filesystem::file_size(path, size_error);
        if (!size_error) {
            text.reserve(static_cast<std::size_t>(size));
            advise_huge_pages(text.data(), text.capacity());
        }
    }
    char buf[1 << 16];
    int got = 0;
    while ((got = gzread(gz, buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(got));
    int err = 0;
    std::string message = got < 0 ? gzerror(gz, &err) : "";
    gzclose(gz);
    if (got < 0) throw Failure(kExitToolFailure, "cannot read " + where + ": " + message);
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    return text;
}

std::string delimiter_name(char d) {
    switch (d) {
        case ',': return "comma";
        case ';': return "semicolon";
        case '\t': return "tab";
        default: return "whitespace";
    }
}

char delimiter_of(const std::string& text, const std::string& choice) {
    if (choice == "comma" || choice == ",") return ',';
    if (choice == "semicolon" || choice == ";") return ';';
    if (choice == "tab" || choice == "\\t" || choice == "\t") return '\t';
    if (choice == "whitespace" || choice == "space" || choice == " ") return ' ';
    if (choice != "auto")
        throw Failure(kExitUsage, "--delimiter is auto, comma, semicolon, tab or whitespace, not '" + choice + "'");
    // The first delimiter (tab, semicolon, comma, in that order: a semicolon
    // file may use decimal commas) that splits the first data lines into the
    // same number of fields, at least two.
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size() && lines.size() < 20;) {
        auto end = text.find('\n', at);
        std::string t = trim(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (is_data_line(t)) lines.push_back(t);
        at = end == std::string::npos ? text.size() : end + 1;
    }
    for (char d : {'\t', ';', ','}) {
        std::size_t agree = 0, fields = 0;
        for (const auto& l : lines) {
            auto f = split_fields(l, d);
            if (fields == 0) fields = f.size();
            bool same = f.size() == fields && f.size() >= 2;
            // Blanks inside fields mean the commas were decimal commas of a blank-separated file.
            for (const auto& field : f) same = same && (d == '\t' || field.find_first_of(" \t") == std::string::npos);
            agree += same ? 1 : 0;
        }
        // Most lines, not all: a bad row must not change how the good ones split.
        if (!lines.empty() && 2 * agree > lines.size()) return d;
    }
    return ' ';
}

std::vector<std::string> split_fields(const std::string& line, char d) {
    std::vector<std::string> out;
    if (d != ' ') {
        std::size_t at = 0;
        while (true) {
            auto c = line.find(d, at);
            out.push_back(unquote(trim(line.substr(at, c == std::string::npos ? std::string::npos : c - at))));
            if (c == std::string::npos) break;
            at = c + 1;
        }
        return out;
    }
    std::size_t at = 0;
    while (at < line.size()) {
        auto a = line.find_first_not_of(" \t\r\n", at);
        if (a == std::string::npos) break;
        auto b = line.find_first_of(" \t\r\n", a);
        out.push_back(unquote(line.substr(a, b == std::string::npos ? std::string::npos : b - a)));
        at = b == std::string::npos ? line.size() : b;
    }
    return out;
}

bool parse_number(const std::string& field, double& value, bool decimal_comma) {
    if (field.empty()) return false;
    std::string f = field;
    if (decimal_comma && f.find(',') != std::string::npos && f.find('.') == std::string::npos)
        f[f.find(',')] = '.';
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(f.c_str(), &end);
    if (end != f.c_str() + f.size() || errno == ERANGE || !std::isfinite(v)) return false;
    value = v;
    return true;
}

Points read_points(const std::string& text, const std::string& name, const ColumnChoice& columns,
                   const ReadChoice& read) {
    const bool three_d = !columns.z.empty();
    std::vector<std::string> wanted = {columns.elevation, columns.y};
    std::vector<std::string> roles = {"elevation", "Y"};
    if (three_d) {
        wanted.push_back(columns.z);
        roles.push_back("Z");
    }
    std::vector<int> cols(wanted.size());
    for (std::size_t k = 0; k < wanted.size(); ++k) cols[k] = column_number(wanted[k]);
    const char d = delimiter_of(text, read.delimiter);
    Points pts;
    pts.delimiter = delimiter_name(d);
    std::int64_t lineno = 0;
    bool first = true;
    for (std::size_t at = 0; at < text.size();) {
        auto end = text.find('\n', at);
        std::string t = trim(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end == std::string::npos ? text.size() : end + 1;
        ++lineno;
        if (!is_data_line(t)) continue;
        auto fields = split_fields(t, d);
        if (first) {
            first = false;
            bool names = true;
            for (const auto& f : fields) names = names && is_name(f);
            if (read.header || names) {
                pts.header = true;
                for (std::size_t k = 0; k < cols.size(); ++k) {
                    if (cols[k] >= 0) continue;
                    for (std::size_t j = 0; j < fields.size() && cols[k] < 0; ++j)
                        if (fields[j] == wanted[k]) cols[k] = static_cast<int>(j);
                    if (cols[k] < 0)
                        throw Failure(kExitToolFailure,
                                      fmt::format("{}:{}: no column named '{}' for the {} in the header ({}; "
                                                  "{} delimited)",
                                                  name, lineno, wanted[k], roles[k], t, pts.delimiter));
                }
                continue;
            }
            for (std::size_t k = 0; k < cols.size(); ++k)
                if (cols[k] < 0)
                    throw Failure(kExitUsage, fmt::format("{}:{}: the {} column is named '{}' but the first line is "
                                                          "no header (give --header if it is one)",
                                                          name, lineno, roles[k], wanted[k]));
        }
        double v[3] = {0, 0, 0};
        std::string problem;
        for (std::size_t k = 0; k < cols.size() && problem.empty(); ++k) {
            if (cols[k] >= static_cast<int>(fields.size())) {
                problem = fmt::format("the {} column ({}) is missing: the row has {} column{} ({} delimited)",
                                      roles[k], cols[k] + 1, fields.size(), fields.size() == 1 ? "" : "s",
                                      pts.delimiter);
                break;
            }
            const std::string& f = fields[cols[k]];
            if (!parse_number(f, v[k], d != ','))
                problem = fmt::format("the {} in column {} is not a finite number: '{}'", roles[k], cols[k] + 1, f);
            else if (std::fabs(v[k]) > static_cast<double>(std::numeric_limits<float>::max()))
                problem = fmt::format("the {} in column {} is out of the range of 32-bit floats: '{}'", roles[k],
                                      cols[k] + 1, f);
        }
        if (problem.empty() && read.nodata && v[0] == *read.nodata) {
            ++pts.nodata;
            continue;
        }
        if (!problem.empty()) {
            if (!read.skip_bad)
                throw Failure(kExitToolFailure, fmt::format("{}:{}: {} (--skip-bad skips such rows)", name, lineno,
                                                            problem));
            ++pts.bad;
            if (pts.bad_lines.size() < 5) pts.bad_lines.push_back(lineno);
            continue;
        }
        pts.x.push_back(columns.depth_positive_down ? -v[0] : v[0]);
        pts.y.push_back(v[1]);
        if (three_d) pts.z.push_back(v[2]);
        pts.lines.push_back(lineno);
    }
    return pts;
}

}  // namespace cli

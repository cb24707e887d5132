#include "points.hpp"

#include <fmt/format.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "failure.hpp"

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

}  // namespace

std::vector<std::string> split_fields(const std::string& line, bool comma_separated) {
    std::vector<std::string> out;
    bool commas = comma_separated || line.find(',') != std::string::npos;
    if (commas) {
        std::size_t at = 0;
        while (true) {
            auto c = line.find(',', at);
            out.push_back(unquote(trim(line.substr(at, c == std::string::npos ? std::string::npos : c - at))));
            if (c == std::string::npos) break;
            at = c + 1;
        }
    } else {
        std::size_t at = 0;
        while (at < line.size()) {
            auto a = line.find_first_not_of(" \t\r\n;", at);
            if (a == std::string::npos) break;
            auto b = line.find_first_of(" \t\r\n;", a);
            out.push_back(unquote(line.substr(a, b == std::string::npos ? std::string::npos : b - a)));
            at = b == std::string::npos ? line.size() : b;
        }
    }
    return out;
}

bool parse_number(const std::string& field, double& value) {
    if (field.empty()) return false;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(field.c_str(), &end);
    if (end != field.c_str() + field.size() || errno == ERANGE || !std::isfinite(v)) return false;
    value = v;
    return true;
}

Points read_points(std::istream& in, const std::string& name, bool comma_separated, const ColumnChoice& choice) {
    const bool three_d = !choice.z.empty();
    std::vector<std::string> wanted = {choice.elevation, choice.y};
    std::vector<std::string> roles = {"elevation", "Y"};
    if (three_d) {
        wanted.push_back(choice.z);
        roles.push_back("Z");
    }
    std::vector<int> cols(wanted.size());
    bool named = false;
    for (std::size_t k = 0; k < wanted.size(); ++k) {
        cols[k] = column_number(wanted[k]);
        named = named || cols[k] < 0;
    }
    Points pts;
    std::string line;
    std::int64_t lineno = 0;
    bool first = true;
    while (std::getline(in, line)) {
        ++lineno;
        std::string t = trim(line);
        if (t.empty() || t[0] == '#') continue;
        auto fields = split_fields(t, comma_separated);
        if (first) {
            first = false;
            bool numeric = !named;
            for (std::size_t k = 0; numeric && k < cols.size(); ++k) {
                double v;
                numeric = cols[k] < static_cast<int>(fields.size()) && parse_number(fields[cols[k]], v);
            }
            if (!numeric) {
                // A header line: resolve names, and check numbers against it.
                for (std::size_t k = 0; k < cols.size(); ++k) {
                    if (cols[k] >= 0) continue;
                    for (std::size_t j = 0; j < fields.size() && cols[k] < 0; ++j)
                        if (fields[j] == wanted[k]) cols[k] = static_cast<int>(j);
                    if (cols[k] < 0)
                        throw Failure(kExitToolFailure,
                                      fmt::format("{}:{}: no column named '{}' for the {} in the header ({})", name,
                                                  lineno, wanted[k], roles[k], trim(line)));
                }
                continue;
            }
        }
        double v[3] = {0, 0, 0};
        for (std::size_t k = 0; k < cols.size(); ++k) {
            if (cols[k] >= static_cast<int>(fields.size()))
                throw Failure(kExitToolFailure,
                              fmt::format("{}:{}: the {} column ({}) is missing: the row has {} column{}", name, lineno,
                                          roles[k], cols[k] + 1, fields.size(), fields.size() == 1 ? "" : "s"));
            const std::string& f = fields[cols[k]];
            if (!parse_number(f, v[k]))
                throw Failure(kExitToolFailure, fmt::format("{}:{}: the {} in column {} is not a finite number: '{}'",
                                                            name, lineno, roles[k], cols[k] + 1, f));
            if (std::fabs(v[k]) > static_cast<double>(std::numeric_limits<float>::max()))
                throw Failure(kExitToolFailure, fmt::format("{}:{}: the {} in column {} is out of the range of 32-bit "
                                                            "floats: '{}'",
                                                            name, lineno, roles[k], cols[k] + 1, f));
        }
        double elevation = choice.depth_positive_down ? -v[0] : v[0];
        pts.x.push_back(static_cast<float>(elevation));
        pts.y.push_back(static_cast<float>(v[1]));
        if (three_d) pts.z.push_back(static_cast<float>(v[2]));
        pts.lines.push_back(lineno);
    }
    if (in.bad()) throw Failure(kExitToolFailure, name + ": read error");
    return pts;
}

}  // namespace cli

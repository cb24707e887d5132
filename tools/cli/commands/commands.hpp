// The subcommands. Each add_<name> declares its subcommand and options on the
// application, in the order of the help text, and returns what to run when
// the command line chose it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "points.hpp"

namespace CLI {
class App;
}

namespace cli {

struct Command {
    CLI::App* app;  // the subcommand; parsed() once chosen
    /// Runs with the --library option (empty when not given). Only the
    /// commands that call the library load it, so that import, export and
    /// codes work without one.
    std::function<void(const std::string& library_option)> run;
};

struct CreateTestOptions {
    std::string file;
    bool two_d = false, three_d = false;
};

struct ImportOptions {
    std::string points, file;
    bool two_d = false, three_d = false, sort = false;
    double spacing = 0.0;
    ColumnChoice columns;
    ReadChoice read;
    std::string notes;
    std::string offset;        // "auto" or "Y,Z"; empty: none
    double min_distance = -1;  // < 0: a small fraction of the spacing
    std::string thin;          // mean, median or first; empty: report only
    std::string crs;           // EPSG:NNNN, kept in the notes
    int decimate = 1;          // grids: every k-th cell in each direction
};

struct GenerateOptions {
    std::string file;
    bool force = false;
};

struct InfoOptions {
    std::string file;
};

struct QueryOptions {
    std::string file, method, points, output;
    std::vector<std::string> at;
    bool no_header = false, raw = false;
};

struct ExportOptions {
    std::string file, output, what = "nodes";
    std::string grid, method = "cubic";
    double cell = 0.0;
    bool binary = false;
};

struct PlotOptions {
    std::string file, output, transect, units = "m", title;
};

/// The choice of a 2D or a 3D seabed: exactly one of --2d and --3d.
void add_dimension_flags(CLI::App* sub, bool& two_d, bool& three_d, const std::string& help_2d,
                         const std::string& help_3d);

Command add_create_test(CLI::App& app);
Command add_import(CLI::App& app);
Command add_generate(CLI::App& app);
Command add_info(CLI::App& app);
Command add_query(CLI::App& app);
Command add_export(CLI::App& app);
Command add_plot(CLI::App& app);
Command add_codes(CLI::App& app);

}  // namespace cli

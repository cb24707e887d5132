// Files as the commands name them: the checks every command makes before it
// reads or writes one, each with the one message the tool gives for it.
#pragma once

#include <fstream>
#include <string>

namespace cli {

/// The extension of path without its dot, in lower case ("" when none).
std::string lower_suffix(const std::string& path);

/// Throws Failure unless the folder path is to be written in exists, so that
/// a command refuses before it does any work.
void require_folder(const std::string& path);

/// The text file path, open; throws Failure saying why it cannot be read.
std::ifstream open_text(const std::string& path);

}  // namespace cli

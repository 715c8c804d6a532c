// The fuzz targets' scratch directory.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace qbx::fuzz {

// One directory for the whole run, removed at exit.
struct TempDir {
    TempDir() {
        path = (std::filesystem::temp_directory_path() / "quibblix-fuzz-XXXXXX").string();
        if (!mkdtemp(path.data())) std::abort();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

}  // namespace qbx::fuzz

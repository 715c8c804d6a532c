// Temporary directories for tests.
#include "support/temp_dir.h"

#include <stdlib.h>

#include <filesystem>
#include <system_error>

namespace qbx::test {

TempDir::TempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "quibblix-test-XXXXXX").string();
    char* made = mkdtemp(templ.data());
    path_ = made ? std::string(made) : templ;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace qbx::test

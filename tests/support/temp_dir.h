// A fresh directory under the system's temporary directory, removed with everything in it at
// the end: every test writes there and nowhere else.
#pragma once

#include <string>

namespace qbx::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace qbx::test

#pragma once

#include <filesystem>
#include <string>

namespace meldrix::testsupport {

//! A fresh folder for one test, removed with everything in it when the test ends.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

//! Folder of the test data sets in the source tree.
std::filesystem::path testDataDir();

} // namespace meldrix::testsupport

// Temporary folders and small file helpers for tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brindlecut::testing {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // Creates a subfolder and returns its path.
    std::string mkdir(const std::string& name) const;

private:
    std::string path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool exists(const std::string& path);
// Bytes that differ from position to position and from seed to seed.
std::string patternBytes(std::int64_t length, unsigned seed = 1);
// Names in a folder, sorted.
std::vector<std::string> listNames(const std::string& folder);
void setReadOnly(const std::string& path);

}  // namespace brindlecut::testing

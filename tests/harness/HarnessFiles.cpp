#include "HarnessFiles.h"

#include "FormatTarget.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace harness_test {

fs::path SourceDir() {
    return QUENLIX_SOURCE_DIR;
}

std::vector<fs::path> InputFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (it->is_regular_file() && name.front() != '.' && name.rfind("README", 0) != 0) {
            files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + file.string());
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> FormatNames() {
    std::vector<std::string> names;
    for (const harness::TFormatTarget& target : harness::FormatTargets()) {
        names.push_back(target.Name);
    }
    return names;
}

} // namespace harness_test

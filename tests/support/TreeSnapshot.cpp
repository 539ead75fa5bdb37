#include "support/TreeSnapshot.h"

#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace testing_support {

TTreeSnapshot SnapshotTree(const fs::path& root) {
    TTreeSnapshot tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string path = entry.path().lexically_relative(root).generic_string();
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            tree[path] =
                std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        } else {
            tree[path] = "<folder>";
        }
    }
    return tree;
}

std::string TreeDifferences(const TTreeSnapshot& before, const TTreeSnapshot& after) {
    std::string text;
    for (const auto& [path, bytes] : before) {
        const auto found = after.find(path);
        if (found == after.end()) {
            text += "gone: " + path + "\n";
        } else if (found->second != bytes) {
            text += "changed: " + path + "\n";
        }
    }
    for (const auto& [path, bytes] : after) {
        if (before.find(path) == before.end()) {
            text += "new: " + path + "\n";
        }
    }
    return text;
}

} // namespace testing_support

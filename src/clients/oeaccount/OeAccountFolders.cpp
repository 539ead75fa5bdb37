#include "clients/oeaccount/OeAccountFolders.h"

#include "platform/Files.h"

#include <cstring>

namespace {

bool IsForbiddenInFileName(char c) {
    return static_cast<unsigned char>(c) < 0x20 || std::strchr("\"*/:<>?\\|", c) != nullptr;
}

bool IsDotEntry(const platform::TFindEntry& entry) {
    return entry.Name == "." || entry.Name == "..";
}

// Deletes what the folder holds; true when nothing is left in it.
bool DeleteFolderContent(const std::string& folder) {
    bool emptied = true;
    for (const platform::TFindEntry& entry : platform::FindFiles(folder + "*")) {
        if (IsDotEntry(entry)) {
            continue;
        }
        const std::string path = folder + entry.Name;
        platform::SetFileAttributes(path, platform::FILE_ATTRIBUTE_NORMAL);
        if ((entry.Attributes & platform::FILE_ATTRIBUTE_DIRECTORY) != 0) {
            emptied =
                DeleteFolderContent(path + "\\") && platform::RemoveDirectory(path) && emptied;
        } else {
            emptied = platform::DeleteFile(path) && emptied;
        }
    }
    return emptied;
}

} // namespace

std::string UniqueAccountFolder(const std::string& storeDirectory, const std::string& accountName) {
    std::string cleaned;
    for (char c : accountName) {
        if (!IsForbiddenInFileName(c)) {
            cleaned += c;
        }
    }
    std::string candidate = cleaned;
    // A file of that name would keep the folder from being made just as well.
    for (int n = 1; platform::DirectoryExists(storeDirectory + candidate) ||
                    platform::FileExists(storeDirectory + candidate);
         ++n) {
        candidate = cleaned + " (" + std::to_string(n) + ")";
    }
    return candidate + "\\";
}

void DeleteFolderTree(const std::string& folder) {
    const std::string path = platform::IncludeTrailingBackslash(folder);
    if (DeleteFolderContent(path)) {
        const std::string self = path.substr(0, path.size() - 1);
        platform::SetFileAttributes(self, platform::FILE_ATTRIBUTE_NORMAL);
        platform::RemoveDirectory(self);
    }
}

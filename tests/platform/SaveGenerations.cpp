#include "SaveGenerations.h"

#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/WriteTransaction.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace platform;

namespace platform_test {

namespace {

std::string MailFolder(int generation) {
    return Profile + "\\Mail\\g" + std::to_string(generation);
}

std::string GenFile(int generation) {
    return Profile + "\\gen" + std::to_string(generation) + ".txt";
}

int NumberIn(const std::string& text) {
    try {
        std::size_t used = 0;
        const int number = std::stoi(text, &used);
        return used == text.size() ? number : -1;
    } catch (const std::exception&) {
        return -1;
    }
}

// The number after `prefix` in the name of the one entry that the pattern finds; -1 when
// there is not exactly one.
int OnlyNumbered(const std::string& pattern, const std::string& prefix, const std::string& suffix) {
    const std::vector<TFindEntry> found = FindFiles(pattern);
    if (found.size() != 1 || found[0].Name.size() < prefix.size() + suffix.size()) {
        return -1;
    }
    const std::string& name = found[0].Name;
    return NumberIn(name.substr(prefix.size(), name.size() - prefix.size() - suffix.size()));
}

int RegistryGeneration(THKey root, const std::string& key, bool asString) {
    TRegistry reg(root);
    if (!reg.OpenKeyReadOnly(key)) {
        return -1;
    }
    if (asString) {
        return reg.GetDataType("Generation") == TRegDataType::rdString
                   ? NumberIn(reg.ReadString("Generation"))
                   : -1;
    }
    return reg.GetDataType("Version") == TRegDataType::rdInteger ? reg.ReadInteger("Version") : -1;
}

void WriteRegistryGeneration(int generation) {
    const std::string number = std::to_string(generation);
    TRegistry user;
    user.OpenKey("\\Software\\Quenlix", true);
    user.WriteInteger("Version", generation);
    user.OpenKey("\\Software\\Quenlix\\Generations\\" + number, true);
    user.WriteString("Generation", number);
    if (generation > 0) {
        user.DeleteKey("\\Software\\Quenlix\\Generations\\" + std::to_string(generation - 1));
    }
    user.CloseKey();
    TRegistry machine(HKEY_LOCAL_MACHINE);
    machine.OpenKey("\\Software\\Quenlix", true);
    machine.WriteInteger("Version", generation);
    machine.CloseKey();
    TRegistry classes(HKEY_CLASSES_ROOT);
    classes.OpenKey("\\Quenlix.Mail", true);
    classes.WriteString("Generation", number);
    classes.CloseKey();
}

} // namespace

void WriteGenerationZero() {
    ForceDirectories(Profile + "\\Mail");
    WriteFileAtomic(Profile + "\\flag.txt", "flag");
    TWriteTransaction transaction;
    SaveGeneration(0);
    transaction.Commit();
}

void SaveGeneration(int generation, std::size_t prefsSize) {
    const std::string number = std::to_string(generation);
    ForceDirectories(MailFolder(generation));
    WriteFileAtomic(MailFolder(generation) + "\\msgFilterRules.dat", number);
    if (generation > 0) {
        DeleteFile(MailFolder(generation - 1) + "\\msgFilterRules.dat");
        RemoveDirectory(MailFolder(generation - 1));
        DeleteFile(GenFile(generation - 1));
    }
    WriteFileAtomic(GenFile(generation), number);
    std::string prefs = "generation=" + number + "\n";
    prefs.resize(std::max(prefs.size(), prefsSize), '#');
    WriteFileAtomic(Profile + "\\prefs.js", prefs);
    WriteFileAtomic(Profile + "\\signons.txt", number);
    SetFileAttributes(Profile + "\\flag.txt", generation % 2 == 1
                                                  ? FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY
                                                  : FILE_ATTRIBUTE_NORMAL);
    WriteRegistryGeneration(generation);
}

std::map<std::string, int> GenerationsOnDisk() {
    std::map<std::string, int> parts;
    const std::string prefs = ReadFileBytes(Profile + "\\prefs.js").value_or("");
    const auto lineEnd = prefs.find('\n');
    parts["prefs.js"] = prefs.rfind("generation=", 0) == 0 && lineEnd != std::string::npos
                            ? NumberIn(prefs.substr(11, lineEnd - 11))
                            : -1;
    parts["signons.txt"] = NumberIn(ReadFileBytes(Profile + "\\signons.txt").value_or(""));
    parts["gen file"] = OnlyNumbered(Profile + "\\gen*.txt", "gen", ".txt");
    const int folder = OnlyNumbered(Profile + "\\Mail\\g*", "g", "");
    const auto inFolder = ReadFileBytes(MailFolder(folder) + "\\msgFilterRules.dat");
    parts["mail folder"] = inFolder && NumberIn(*inFolder) == folder ? folder : -1;
    const std::uint32_t flag = GetFileAttributes(Profile + "\\flag.txt");
    parts["flag.txt parity"] = flag == (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY) ? 1
                               : flag == FILE_ATTRIBUTE_NORMAL                           ? 0
                                                                                         : -1;
    parts["HKCU version"] = RegistryGeneration(HKEY_CURRENT_USER, "\\Software\\Quenlix", false);
    TRegistry generations;
    const bool open = generations.OpenKeyReadOnly("\\Software\\Quenlix\\Generations");
    const std::vector<std::string> keys =
        open ? generations.GetKeyNames() : std::vector<std::string>{};
    parts["HKCU generation key"] = keys.size() == 1 ? NumberIn(keys[0]) : -1;
    parts["HKLM version"] = RegistryGeneration(HKEY_LOCAL_MACHINE, "\\Software\\Quenlix", false);
    parts["HKCR generation"] = RegistryGeneration(HKEY_CLASSES_ROOT, "\\Quenlix.Mail", true);
    return parts;
}

int WholeGeneration(std::string* mix) {
    const std::map<std::string, int> parts = GenerationsOnDisk();
    const int generation = parts.at("prefs.js");
    bool whole = generation >= 0;
    for (const auto& [part, value] : parts) {
        const int expected = part == "flag.txt parity" ? generation % 2 : generation;
        whole = whole && value == expected;
    }
    if (!whole && mix != nullptr) {
        std::ostringstream text;
        for (const auto& [part, value] : parts) {
            text << part << "=" << value << " ";
        }
        *mix = text.str();
    }
    return whole ? generation : -1;
}

std::vector<std::string> Leftovers(const fs::path& root) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        const bool inJournal = entry.path().parent_path().filename() == "journal";
        if (name.rfind(".~qtmp.", 0) == 0 || inJournal) {
            found.push_back(entry.path().lexically_relative(root).string());
        }
    }
    return found;
}

std::map<std::string, std::string> TreeOf(const fs::path& root) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        struct stat info {};
        ::lstat(entry.path().c_str(), &info);
        std::string content = std::to_string(info.st_mode & 07777) + ":";
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            content +=
                std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        } else {
            content += "<folder>";
        }
        tree[entry.path().lexically_relative(root).string()] = content;
    }
    return tree;
}

} // namespace platform_test

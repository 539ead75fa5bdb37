#pragma once
// Registry accessor in the manner of the classic TRegistry wrapper, working on the two hives
// of the installed simulated system. HKEY_CLASSES_ROOT is HKLM\Software\Classes.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {

enum class THKey { ClassesRoot, CurrentUser, LocalMachine };
inline constexpr THKey HKEY_CLASSES_ROOT = THKey::ClassesRoot;
inline constexpr THKey HKEY_CURRENT_USER = THKey::CurrentUser;
inline constexpr THKey HKEY_LOCAL_MACHINE = THKey::LocalMachine;

// Value types with their Windows numbers (REG_NONE 0 ... REG_QWORD 11).
enum class TRegValueType : std::uint32_t {
    None = 0,
    String = 1,
    ExpandString = 2,
    Binary = 3,
    DWord = 4,
    DWordBigEndian = 5,
    Link = 6,
    MultiString = 7,
    ResourceList = 8,
    FullResourceDescriptor = 9,
    ResourceRequirementsList = 10,
    QWord = 11,
};

// Classification of the wrapper: rdString is the plain string type only.
enum class TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TRegistry {
public:
    TRegistry();
    explicit TRegistry(THKey root);
    ~TRegistry(); // closes the key
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    THKey RootKey() const;
    void SetRootKey(THKey root); // closes an open key

    // A path starting with "\" is taken from the root, otherwise from the current key.
    bool OpenKey(const std::string& key, bool canCreate);
    bool OpenKeyReadOnly(const std::string& key);
    bool KeyExists(const std::string& key) const;
    bool CreateKey(const std::string& key);
    // Deletes the key with its whole subtree; false when it does not exist.
    bool DeleteKey(const std::string& key);
    // Saves the hive when it was changed through this accessor (atomically), then forgets the
    // current key. Throws ESystemError when the hive cannot be saved; the changes then stay in
    // memory and are tried again at the next close or when the system is uninstalled. A save
    // that failed in a destructor is tried again, and raised, by the next close on that hive.
    // Inside a write transaction the save waits for its commit (platform/WriteTransaction.h).
    void CloseKey();
    // "\"-less path of the current key relative to the root ("Software\\Mozilla"), empty if none.
    std::string CurrentPath() const;
    bool HasCurrentKey() const;

    bool ValueExists(const std::string& name) const;
    TRegDataType GetDataType(const std::string& name) const;   // rdUnknown when missing
    TRegValueType GetValueType(const std::string& name) const; // None when missing
    int GetDataSize(const std::string& name) const;            // -1 when missing
    std::vector<std::string> GetKeyNames() const;              // sorted, case-insensitively
    std::vector<std::string> GetValueNames() const;            // in creation order

    // Readers raise ERegistryException for a missing value or one of another type.
    std::string ReadString(const std::string& name) const; // string or expandable string
    std::int32_t ReadInteger(const std::string& name) const;
    std::vector<std::uint8_t> ReadBinaryData(const std::string& name) const;
    // Raw access to any type.
    std::vector<std::uint8_t> ReadRaw(const std::string& name, TRegValueType* type) const;

    // Writers raise ERegistryException without an open writable key.
    void WriteString(const std::string& name, const std::string& value);
    void WriteExpandString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, std::int32_t value);
    void WriteBinaryData(const std::string& name, const std::vector<std::uint8_t>& data);
    void WriteRaw(const std::string& name, TRegValueType type,
                  const std::vector<std::uint8_t>& data);
    bool DeleteValue(const std::string& name);

private:
    struct TState;
    std::unique_ptr<TState> State_;
};

} // namespace platform

#pragma once
// Registry writes as save steps (accounts/SaveSteps.h): each value write or key deletion keeps
// what it found (the old value, a key it had to create, a deleted key's whole subtree) and puts
// it back when a later step of the same save fails.
//
// The steps change the hive in memory through keys held open for the whole save; the hive file
// is written once, by the step AddSave adds (or earlier, when another part of the save, such as a
// Protected Storage item, saves the hive itself). Key paths are below the root key, without a
// leading backslash ("Software\Microsoft\Internet Account Manager").

#include "accounts/SaveSteps.h"
#include "platform/Registry.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TRegistrySaveSteps {
public:
    explicit TRegistrySaveSteps(TSaveSteps& steps,
                                platform::THKey root = platform::HKEY_CURRENT_USER);
    // Closes the keys still open. A hive that cannot be saved then keeps its (put back) changes
    // in memory for the next save; nothing is raised here.
    ~TRegistrySaveSteps();
    TRegistrySaveSteps(const TRegistrySaveSteps&) = delete;
    TRegistrySaveSteps& operator=(const TRegistrySaveSteps&) = delete;

    // Each adds one step; the key is created (with its missing parents) when the step runs.
    void WriteString(const std::string& key, const std::string& name, const std::string& text);
    void WriteInteger(const std::string& key, const std::string& name, std::int32_t value);
    void WriteBinary(const std::string& key, const std::string& name,
                     const std::vector<std::uint8_t>& data);
    // Nothing happens (and nothing is put back) when the value or key does not exist.
    void DeleteValue(const std::string& key, const std::string& name);
    void DeleteKey(const std::string& key);
    // The step that writes the hive file with everything the steps before it changed.
    void AddSave();

    // "HKEY_CURRENT_USER\<key>\<name>", as the steps name what they write.
    std::string Describe(const std::string& key, const std::string& name = {}) const;

    // A value's type and raw data.
    struct TValue {
        platform::TRegValueType Type = platform::TRegValueType::None;
        std::vector<std::uint8_t> Data;
    };

private:
    void AddValueStep(const std::string& key, const std::string& name,
                      std::unique_ptr<TValue> value);
    // The key opened (created as needed) for writing, held open until the save step.
    platform::TRegistry& OpenForWriting(const std::string& key);
    void CloseAll(bool raise);
    // Puts a value back as it was, or removes the key the step had to make.
    void PutBack(const std::string& key, const std::string& name, const std::optional<TValue>& old,
                 const std::optional<std::string>& created);

    TSaveSteps& Steps_;
    platform::THKey Root_;
    std::map<std::string, std::unique_ptr<platform::TRegistry>> Open_;
};

#pragma once
// A store's private bookkeeping on an account: an ordered list of "name=value" lines.
// Names compare without case.

#include <string>
#include <vector>

class TMailStoreData {
public:
    // The value after the first "=" of the first line with that name; empty when there is none.
    std::string Value(const std::string& name) const;
    // Replaces the value of the first line with that name, or appends a new line.
    void SetValue(const std::string& name, const std::string& value);
    void Clear() { Lines_.clear(); }
    void Add(const std::string& line) { Lines_.push_back(line); }
    int Count() const { return static_cast<int>(Lines_.size()); }
    const std::vector<std::string>& Lines() const { return Lines_; }

    bool operator==(const TMailStoreData&) const = default;

private:
    std::vector<std::string> Lines_;
};

#include "AccountProperties.h"

#include <list>

bool SameProperties(const TAccountProperties& a, const TAccountProperties& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].Id != b[i].Id || a[i].Value != b[i].Value) {
            return false;
        }
    }
    return true;
}

TAccountChangeRecords Differences(const TAccountProperties& current,
                                  const TAccountProperties& previous) {
    TAccountChangeRecords records;
    std::list<TAccountProperty> unmatched(previous.begin(), previous.end());
    for (const auto& property : current) {
        auto match = unmatched.begin();
        while (match != unmatched.end() && match->Id != property.Id) {
            ++match;
        }
        if (match == unmatched.end()) {
            records.push_back({property.Id, property.Value, std::nullopt});
            continue;
        }
        if (match->Value != property.Value) {
            records.push_back({property.Id, property.Value, match->Value});
        }
        unmatched.erase(match);
    }
    for (const auto& property : unmatched) {
        records.push_back({property.Id, std::nullopt, property.Value});
    }
    return records;
}

std::string PropertyValueText(const TPropertyValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    if (const auto* flag = std::get_if<bool>(&value)) {
        return *flag ? "true" : "false";
    }
    return std::to_string(std::get<std::int64_t>(value));
}

namespace {

bool IsPassword(std::uint8_t id) {
    return id == PropertyId::Password || id == PropertyId::SmtpPassword;
}

// Passwords never reach a description (it goes to the log): only that they changed.
std::string OptionalValueText(std::uint8_t id, const std::optional<TPropertyValue>& value) {
    if (!value) {
        return "<empty>";
    }
    return IsPassword(id) ? "<hidden>" : PropertyValueText(*value);
}

} // namespace

std::vector<std::string> DescribeChanges(const TAccountChangeRecords& records) {
    std::vector<std::string> lines;
    lines.reserve(records.size());
    for (const auto& record : records) {
        lines.push_back(std::to_string(record.Id) + " new: \"" +
                        OptionalValueText(record.Id, record.NewValue) + "\", old : \"" +
                        OptionalValueText(record.Id, record.OldValue) + "\"");
    }
    return lines;
}

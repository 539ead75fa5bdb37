#include "MailStoreData.h"

#include <algorithm>
#include <cctype>

namespace {

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Index of the first line named so, -1 when none.
int FindLine(const std::vector<std::string>& lines, const std::string& name) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto equals = lines[i].find('=');
        if (equals != std::string::npos && SameNameIgnoringCase(lines[i].substr(0, equals), name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace

std::string TMailStoreData::Value(const std::string& name) const {
    const int index = FindLine(Lines_, name);
    if (index < 0) {
        return {};
    }
    const auto& line = Lines_[static_cast<std::size_t>(index)];
    return line.substr(line.find('=') + 1);
}

void TMailStoreData::SetValue(const std::string& name, const std::string& value) {
    const int index = FindLine(Lines_, name);
    if (index < 0) {
        Lines_.push_back(name + "=" + value);
    } else {
        Lines_[static_cast<std::size_t>(index)] = name + "=" + value;
    }
}

#include "FormatTarget.h"

namespace harness {

namespace {

std::vector<TFormatTarget>& Registry() {
    static std::vector<TFormatTarget> targets;
    return targets;
}

} // namespace

void Require(bool holds, const std::string& what) {
    if (!holds) {
        throw EPropertyFailed(what);
    }
}

const std::vector<TFormatTarget>& FormatTargets() {
    return Registry();
}

TRegistration::TRegistration(TFormatTarget target) {
    Registry().push_back(std::move(target));
}

} // namespace harness

#include "accounts/SaveSteps.h"

#include <utility>

void TSaveSteps::Add(std::string what, TStep step) {
    Steps_.push_back({std::move(what), std::move(step)});
}

std::vector<std::string> TSaveSteps::Descriptions() const {
    std::vector<std::string> descriptions;
    descriptions.reserve(Steps_.size());
    for (const TEntry& entry : Steps_) {
        descriptions.push_back(entry.What);
    }
    return descriptions;
}

void TSaveSteps::Run() {
    std::vector<TUndo> done;
    done.reserve(Steps_.size());
    for (const TEntry& entry : Steps_) {
        try {
            done.push_back(entry.Step());
        } catch (const std::exception& error) {
            bool allPutBack = true;
            for (auto undo = done.rbegin(); undo != done.rend(); ++undo) {
                try {
                    if (*undo) {
                        (*undo)();
                    }
                } catch (const std::exception&) {
                    allPutBack = false; // the others are still worth putting back
                }
            }
            std::string message = "Could not write " + entry.What + ": " + error.what();
            if (!allPutBack) {
                message += " (some of the changes made before could not be put back)";
            }
            throw ESaveError(message);
        }
    }
}

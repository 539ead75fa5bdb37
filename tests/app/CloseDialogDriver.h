#pragma once
// Answers the modal exit dialog from inside its own event loop, and finds what the close handler
// left in the temporary folder.

#include "app/close.h"
#include "platform/Files.h"
#include "platform/SystemInfo.h"

#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace app_testing {

// Polls with a bounded wait; the runner retries every fraction of a second.
template <typename Predicate> bool WaitUntil(Predicate done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// Once the dialog is up, runs the answer (click a button, close the window). Records whether
// the dialog was shown at all. The timer belongs to the driver, so nothing fires after it.
class TCloseDialogDriver {
public:
    TCloseDialogDriver(T_closedialog& dialog, std::function<void(T_closedialog&)> answer)
        : Dialog(dialog), Answer(std::move(answer)) {
        Timer.setInterval(10);
        QObject::connect(&Timer, &QTimer::timeout, [this] {
            if (!Dialog.isVisible())
                return;
            ++TimesShown;
            Answer(Dialog);
        });
        Timer.start();
    }
    int Shown() const { return TimesShown; }

private:
    T_closedialog& Dialog;
    std::function<void(T_closedialog&)> Answer;
    QTimer Timer;
    int TimesShown = 0;
};

// Files in the temporary folder whose names match the pattern ("sEM*.bat").
inline std::vector<std::string> TempFiles(const std::string& pattern) {
    std::vector<std::string> names;
    const std::string folder = platform::GetTempPath();
    for (const platform::TFindEntry& entry : platform::FindFiles(folder + pattern))
        names.push_back(folder + entry.Name);
    return names;
}

} // namespace app_testing

#include "app/SystemRoot.h"

#include <platform/System.h>
#include <platform/SystemTemplate.h>

#include <QStandardPaths>
#include <QString>

#include <cstdlib>
#include <system_error>

#ifndef QUENLIX_DEMO_TEMPLATE_DIR
#error "QUENLIX_DEMO_TEMPLATE_DIR must name the demo system template"
#endif

namespace fs = std::filesystem;

namespace app {

fs::path DemoTemplateDir() {
    return fs::path(QUENLIX_DEMO_TEMPLATE_DIR);
}

fs::path DemoSystemRoot() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (data.isEmpty()) {
        throw ESystemRootError("No folder for application data was found for this user.");
    }
    return fs::path(data.toStdString()) / "demo-system";
}

fs::path ChooseSystemRoot() {
    if (const char* named = std::getenv("QUENLIX_SYSTEM_ROOT"); named != nullptr && *named) {
        const fs::path root(named);
        std::error_code error;
        if (!fs::is_directory(root, error)) {
            throw ESystemRootError("QUENLIX_SYSTEM_ROOT names \"" + root.string() +
                                   "\", which is not a directory.");
        }
        return root;
    }
    const fs::path root = DemoSystemRoot();
    std::error_code error;
    if (!fs::exists(root, error)) {
        fs::create_directories(root.parent_path());
        platform::CreateSystemFromTemplate(DemoTemplateDir(), root);
    }
    return root;
}

void InstallRunSystem() {
    platform::InstallSystem(ChooseSystemRoot());
}

} // namespace app

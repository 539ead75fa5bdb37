#include "Log.h"

#include "platform/Files.h"
#include "platform/SystemInfo.h"

namespace {

const char* const FallbackLogName = "QuenlixMailAssistant";

// The executable's file name without its extension; empty when it cannot be told.
std::string ModuleBaseName() {
    try {
        std::string name = platform::ExtractFileName(platform::GetModuleFileName());
        const auto dot = name.rfind('.');
        if (dot != std::string::npos && dot > 0) {
            name.erase(dot);
        }
        return name;
    } catch (const std::exception&) {
        // No system installed yet: the log still needs a name.
        return {};
    }
}

} // namespace

TLog::TLog() : Name_(ModuleBaseName()) {
    if (Name_.empty()) {
        Name_ = FallbackLogName;
    }
}

TLog::TLog(const std::string& name) : Name_(name.empty() ? FallbackLogName : name) {}

std::string TLog::Name() const {
    std::lock_guard<std::mutex> guard(Lock_);
    return Name_;
}

bool TLog::Enabled() const {
    std::lock_guard<std::mutex> guard(Lock_);
    return Enabled_;
}

void TLog::SetEnabled(bool value) {
    std::lock_guard<std::mutex> guard(Lock_);
    Enabled_ = value;
}

void TLog::SetSink(TLogSink sink) {
    std::lock_guard<std::mutex> guard(Lock_);
    Sink_ = std::move(sink);
}

void TLog::LogMessage(TLogLevel level, const std::string& text) {
    TLogEntry entry;
    entry.Level = level;
    entry.Text = text;
    Write(std::move(entry));
}

void TLog::LogStrings(TLogLevel level, const std::string& title,
                      const std::vector<std::string>& lines) {
    TLogEntry entry;
    entry.Level = level;
    entry.Text = title;
    entry.Lines = lines;
    Write(std::move(entry));
}

void TLog::Write(TLogEntry entry) {
    // Held while the sink runs, so that entries from several threads never interleave.
    std::lock_guard<std::mutex> guard(Lock_);
    if (!Enabled_ || !Sink_) {
        return;
    }
    entry.LogName = Name_;
    entry.Session = SessionName();
    Sink_(entry);
}

TLog& AppLog() {
    static TLog log;
    return log;
}

std::string LogLevelName(TLogLevel level) {
    switch (level) {
    case TLogLevel::Debug:
        return "Debug";
    case TLogLevel::Info:
        return "Info";
    case TLogLevel::Warning:
        return "Warning";
    case TLogLevel::Error:
        return "Error";
    }
    return "Info";
}

std::string FormatLogEntry(const TLogEntry& entry) {
    std::string text = "[" + LogLevelName(entry.Level) + "] " + entry.Text + "\n";
    for (const auto& line : entry.Lines) {
        text += "    " + line + "\n";
    }
    return text;
}

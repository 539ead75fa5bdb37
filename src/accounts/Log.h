#pragma once
// The process-wide log: named after the program's executable, one session "Main", switched
// off unless someone switches it on, so a normal run writes nothing. Safe from any thread.

#include <functional>
#include <mutex>
#include <string>
#include <vector>

enum class TLogLevel { Debug, Info, Warning, Error };

struct TLogEntry {
    TLogLevel Level = TLogLevel::Info;
    std::string LogName;
    std::string Session;
    std::string Text;               // the message, or the title of a string-list entry
    std::vector<std::string> Lines; // the lines of a string-list entry
};

// Receives every entry while the log is enabled. Called with the log's lock held: a sink
// must not write to the same log.
using TLogSink = std::function<void(const TLogEntry&)>;

class TLog {
public:
    // Named after the executable's file name without extension, "QuenlixMailAssistant" when
    // that is unknown.
    TLog();
    explicit TLog(const std::string& name);
    TLog(const TLog&) = delete;
    TLog& operator=(const TLog&) = delete;

    std::string Name() const;
    std::string SessionName() const { return "Main"; }
    static constexpr TLogLevel DefaultLevel = TLogLevel::Info;

    bool Enabled() const;
    void SetEnabled(bool value);
    void SetSink(TLogSink sink);

    void LogMessage(TLogLevel level, const std::string& text);
    void LogMessage(const std::string& text) { LogMessage(DefaultLevel, text); }
    void LogStrings(TLogLevel level, const std::string& title,
                    const std::vector<std::string>& lines);
    void LogStrings(const std::string& title, const std::vector<std::string>& lines) {
        LogStrings(DefaultLevel, title, lines);
    }

private:
    void Write(TLogEntry entry);

    mutable std::mutex Lock_;
    std::string Name_;
    bool Enabled_ = false;
    TLogSink Sink_;
};

// The program's one log, created on first use.
TLog& AppLog();
// Text form of an entry: "[Level] Text" and the lines indented below it.
std::string FormatLogEntry(const TLogEntry& entry);
std::string LogLevelName(TLogLevel level);

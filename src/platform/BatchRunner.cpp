#include "platform/BatchRunner.h"

#include "platform/Files.h"
#include "platform/Processes.h"
#include "platform/System.h"
#include "platform/SystemInfo.h"
#include "platform/WinPath.h"

#include <cctype>
#include <filesystem>
#include <thread>

namespace platform {

namespace {

bool IsBlank(char c) {
    // Blanks and the other separators a command interpreter splits arguments at.
    return c == ' ' || c == '\t' || c == ',' || c == ';' || c == '=';
}

std::size_t SkipBlanks(const std::string& text, std::size_t pos) {
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    return pos;
}

// The next argument from pos: quotes group blanks and are removed. Sets pos after it.
std::string NextArgument(const std::string& text, std::size_t& pos) {
    pos = SkipBlanks(text, pos);
    std::string argument;
    bool quoted = false;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && IsBlank(c))
            break;
        else
            argument += c;
    }
    return argument;
}

// The command word: ends at a blank, a quote or a path separator ("del\x" is not "del").
std::string CommandWord(const std::string& text, std::size_t& pos) {
    pos = SkipBlanks(text, pos);
    const std::size_t start = pos;
    while (pos < text.size() && !IsBlank(text[pos]) && text[pos] != '"')
        ++pos;
    return detail::FoldCase(text.substr(start, pos - start));
}

std::string LabelName(const std::string& text) {
    std::size_t end = 0;
    while (end < text.size() && !IsBlank(text[end]))
        ++end;
    return detail::FoldCase(text.substr(0, end));
}

std::string TrimCommand(const std::string& line) {
    std::size_t start = 0;
    while (start < line.size() && (IsBlank(line[start]) || line[start] == '@'))
        ++start;
    return line.substr(start);
}

class TInterpreter {
public:
    TInterpreter(const std::string& text, const std::string& batchPath, TBatchHost& host)
        : Lines(BatchLines(text)), BatchPath(batchPath), Host(host) {}

    TBatchResult Run() {
        while (Next < Lines.size() && !Stopped) {
            const std::size_t current = Next++;
            const std::string line = TrimCommand(Lines[current]);
            if (line.empty() || line.front() == ':')
                continue; // labels and "::" remarks
            ++Result.CommandsRun;
            Execute(TrimCommand(ExpandBatchLine(line, BatchPath, Host)), current);
        }
        return Result;
    }

private:
    // Conditions are taken one after the other in a loop, so that a line of many nested
    // "if exist" neither recurses nor copies the rest of the line per condition.
    void Execute(const std::string& command, std::size_t current) {
        std::size_t pos = 0;
        std::string word = CommandWord(command, pos);
        while (word == "if") {
            if (!ConditionHolds(command, pos))
                return;
            while (pos < command.size() && (IsBlank(command[pos]) || command[pos] == '@'))
                ++pos; // as TrimCommand does at the start of a line
            word = CommandWord(command, pos);
        }
        if (word == "goto")
            Goto(command.substr(pos), current);
        else if (word == "del" || word == "erase")
            Delete(command.substr(pos));
        // Anything else (echo, rem, commands we do not know) has no effect here.
    }

    void Delete(const std::string& arguments) {
        std::size_t pos = 0;
        while (SkipBlanks(arguments, pos) < arguments.size()) {
            const std::string name = NextArgument(arguments, pos);
            if (name.empty() || name.front() == '/')
                continue; // switches
            if (Host.DeleteFile(name))
                Result.Deleted.push_back(name);
        }
    }

    // The condition of "if [/i] [not] exist <file> <command>" from pos, which it moves to the
    // command. Other conditions are not understood, and the whole line is then skipped.
    bool ConditionHolds(const std::string& command, std::size_t& pos) {
        std::string word = CommandWord(command, pos);
        if (word == "/i")
            word = CommandWord(command, pos);
        bool negate = false;
        if (word == "not") {
            negate = true;
            word = CommandWord(command, pos);
        }
        if (word != "exist")
            return false;
        const std::string file = NextArgument(command, pos);
        return !file.empty() && Host.FileExists(file) != negate;
    }

    void Goto(const std::string& arguments, std::size_t current) {
        std::string target = arguments.substr(SkipBlanks(arguments, 0));
        const bool colon = !target.empty() && target.front() == ':';
        if (colon)
            target.erase(0, 1);
        const std::string label = LabelName(target);
        if (colon && label == "eof") { // the end of the batch, unless written without colon
            Next = Lines.size();
            return;
        }
        // Searched from the line after the goto to the end, then from the top.
        const std::size_t count = Lines.size();
        for (std::size_t step = 1; step <= count; ++step) {
            const std::size_t index = (current + step) % count;
            const std::string line = TrimCommand(Lines[index]);
            if (line.empty() || line.front() != ':' || LabelName(line.substr(1)) != label)
                continue;
            if (index <= current && !Host.MayLoopAgain()) {
                Result.End = TBatchEnd::GaveUp;
                Stopped = true;
                return;
            }
            Next = index + 1;
            return;
        }
        Result.End = TBatchEnd::LabelMissing;
        Stopped = true;
    }

    std::vector<std::string> Lines;
    std::string BatchPath;
    TBatchHost& Host;
    std::size_t Next = 0;
    bool Stopped = false;
    TBatchResult Result;
};

} // namespace

std::vector<std::string> BatchLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

std::string ExpandBatchLine(const std::string& line, const std::string& batchPath,
                            TBatchHost& host) {
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '%') {
            out += line[i];
            continue;
        }
        if (i + 1 >= line.size())
            break; // a lone "%" at the end is dropped
        const char next = line[i + 1];
        if (next == '%') {
            out += '%';
            ++i;
        } else if (std::isdigit(static_cast<unsigned char>(next))) {
            if (next == '0')
                out += batchPath;
            ++i;
        } else {
            const std::size_t close = line.find('%', i + 1);
            if (close == std::string::npos)
                continue; // drops the "%" and keeps the rest as written
            const std::string name = line.substr(i + 1, close - i - 1);
            out += host.EnvironmentVariable(name).value_or(std::string());
            i = close;
        }
    }
    return out;
}

TBatchResult RunBatch(const std::string& text, const std::string& batchPath, TBatchHost& host) {
    return TInterpreter(text, batchPath, host).Run();
}

std::string BatchFileArgument(const std::string& path, bool alwaysQuote) {
    std::string escaped;
    bool needsQuotes = alwaysQuote;
    for (const char c : path) {
        if (c == '"' || (static_cast<unsigned char>(c) < 0x20) || c == 0x7F)
            return {};
        if (c == '%')
            escaped += '%';
        if (IsBlank(c) || c == '&' || c == '|' || c == '<' || c == '>' || c == '^' || c == '(' ||
            c == ')')
            needsQuotes = true;
        escaped += c;
    }
    if (path.empty() || path.front() == '/')
        return {}; // del would take it for a switch, quoted or not
    return needsQuotes ? "\"" + escaped + "\"" : escaped;
}

TSystemBatchHost::TSystemBatchHost(std::chrono::milliseconds pause, std::chrono::milliseconds limit)
    : Pause(pause), Deadline(std::chrono::steady_clock::now() + limit) {}

bool TSystemBatchHost::FileExists(const std::string& path) {
    return platform::FileExists(path) || platform::DirectoryExists(path);
}

bool TSystemBatchHost::DeleteFile(const std::string& path) {
    // A running program's image is locked, as Windows keeps it.
    const std::string full = NormalizePath(path);
    if (ProcessRunning(full))
        return false;
    return platform::DeleteFile(full);
}

std::optional<std::string> TSystemBatchHost::EnvironmentVariable(const std::string& name) {
    return GetEnvironmentVariable(name);
}

bool TSystemBatchHost::MayLoopAgain() {
    if (std::chrono::steady_clock::now() >= Deadline)
        return false;
    std::error_code ec;
    if (!std::filesystem::is_directory(SystemRoot(), ec))
        return false; // the system it was started on is gone
    std::this_thread::sleep_for(Pause);
    return true;
}

} // namespace platform

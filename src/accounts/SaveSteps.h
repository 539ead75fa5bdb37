#pragma once
// The writes of one save as a list of steps, run in order. Each step changes one thing and
// gives back how to put back what it found; when a step fails, the finished steps are undone in
// reverse order and the save raises one ESaveError that names what could not be written. So a
// save that touches several keys, values or items changes all of them or none.

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// A save that failed and was put back. The message names what could not be written and why,
// never a password.
class ESaveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TSaveSteps {
public:
    using TUndo = std::function<void()>;
    // Makes the change and returns how to put back what it found (may be empty).
    using TStep = std::function<TUndo()>;

    // `what` names the thing the step writes ("HKEY_CURRENT_USER\Software\...\POP3 Server").
    void Add(std::string what, TStep step);
    // What the steps write, in order: the list a dry run shows.
    std::vector<std::string> Descriptions() const;
    bool Empty() const { return Steps_.empty(); }

    // Runs every step once. On a failure the finished steps are undone (an undo that fails is
    // skipped, and the message says that something may not have been put back) and ESaveError
    // is raised.
    void Run();

private:
    struct TEntry {
        std::string What;
        TStep Step;
    };
    std::vector<TEntry> Steps_;
};

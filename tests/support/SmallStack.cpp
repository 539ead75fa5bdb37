#include "support/SmallStack.h"

#include <exception>
#include <pthread.h>
#include <stdexcept>
#include <string>

namespace testing_support {

namespace {

struct TWork {
    const std::function<void()>* Work;
    std::exception_ptr Error;
};

void* RunWork(void* argument) {
    auto* work = static_cast<TWork*>(argument);
    try {
        (*work->Work)();
    } catch (...) {
        work->Error = std::current_exception();
    }
    return nullptr;
}

} // namespace

void RunOnSmallStack(const std::function<void()>& work, std::size_t stackBytes) {
    TWork state{&work, nullptr};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, stackBytes);
    pthread_t thread;
    const int error = pthread_create(&thread, &attributes, RunWork, &state);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        throw std::runtime_error("cannot start a thread: error " + std::to_string(error));
    }
    pthread_join(thread, nullptr);
    if (state.Error) {
        std::rethrow_exception(state.Error);
    }
}

} // namespace testing_support

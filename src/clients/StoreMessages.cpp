#include "StoreMessages.h"

#include <utility>

namespace {

TStoreMessageHandler& Handler() {
    static TStoreMessageHandler handler;
    return handler;
}

} // namespace

TStoreMessageHandler SetStoreMessageHandler(TStoreMessageHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}

void ShowStoreMessage(const std::string& text) {
    if (Handler()) {
        Handler()(text);
    }
}

#pragma once
// Messages a store has to show the user. Stores have no user interface of their own: the
// application installs a handler that shows a message box; without one, messages go nowhere.
// Set the handler once at start-up, before stores are used (user-interface thread only).

#include <functional>
#include <string>

using TStoreMessageHandler = std::function<void(const std::string& text)>;

// Installs the handler (an empty one silences messages); returns the one it replaces.
TStoreMessageHandler SetStoreMessageHandler(TStoreMessageHandler handler);
void ShowStoreMessage(const std::string& text);

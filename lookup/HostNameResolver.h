// The host name of one found computer, looked up on a thread of its own that
// nobody waits for, so that neither the scan nor the window is held up.
#pragma once

#include <QString>

#include <functional>
#include <string>

// The name a found computer's entry shows: "localhost" for 127.0.0.1, "n/a"
// for every other address whose text starts with "127" (neither is looked
// up), else the address's name from the name service, trimmed, with every
// control character replaced by "?" so that no name can reach a terminal
// or a file as anything but text. Empty when it has none. Blocks.
QString listNameOf(const std::string& address);

// Runs listNameOf(address) on a new thread, one step above normal priority
// where the system allows it, and then deliver(name) on that thread when
// the name is not empty. Throws std::system_error when no thread starts.
void resolveInBackground(const std::string& address, std::function<void(const QString& name)> deliver);

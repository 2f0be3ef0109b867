#pragma once
// Lines about what the layer refused or gave up on (a lock held too long, a name in a
// shared folder taken by something that is not ours). They go to standard error and
// to the sink a program sets, so that its own log shows why.
#include <functional>
#include <string>

namespace platform::notice {

// A line equal to the one before is dropped.
void Write(const std::string& text);

// Replaces the sink; nullptr keeps standard error alone. The sink runs on the thread
// that writes, perhaps while the layer holds a lock, and must not take a lock of the
// layer. It gets the line as GBK, like every text of the system (the layer's lines
// carry paths and error texts of the OS, which are UTF-8).
using Sink = std::function<void(const std::string& text)>;
void SetSink(Sink sink);

}  // namespace platform::notice

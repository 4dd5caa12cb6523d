#pragma once
// What went wrong where nobody could answer for it: an exception stopped at a
// window procedure, a queued task or a thread entry. Each one is recorded
// (the debugger's output, and a count and the last text that tests and the
// program can read), so none vanishes without a trace.
#include <string>
#include <string_view>

namespace dockline::ui {

// Call inside a catch block: the exception under way is described. Never throws.
void RecordFailure(std::string_view where) noexcept;
// The same with a description already in hand.
void RecordFailureText(std::string_view where, std::string_view what) noexcept;

int FailureCount();
std::string LastFailure();

}  // namespace dockline::ui

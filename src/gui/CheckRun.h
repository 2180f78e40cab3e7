// The check run behind "Start Checking": every input link is fetched, its page decided,
// and the link filed in the valid or the invalid list.
#pragma once

class WindowContext;

namespace CheckRun {
void startChecking(WindowContext &window);
} // namespace CheckRun

// The check run behind "Start Checking": every input link is fetched, its page decided,
// and the link filed in the valid or the invalid list.
#pragma once

class Form1;

namespace CheckRun {
void startChecking(Form1 &form); // PushButton4_Click
} // namespace CheckRun

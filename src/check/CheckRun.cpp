#include "check/CheckRun.h"

#include "app/Form1.h"

namespace CheckRun {
void startChecking(Form1 &) { }
} // namespace CheckRun

// The temporary folder that holds the fetch tool, its certificate file and each fetched page.
#pragma once

#include <QString>

// The folder named by the environment variable TEMP when it is set and not empty, read
// afresh at every call; otherwise the user's private runtime folder. Throws AppError when
// neither is available. Spelt as the system spells it: with backslashes on Windows.
QString temporaryFolder();

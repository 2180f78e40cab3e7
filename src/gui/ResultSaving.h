// Saving a result list as a text file, one link per line.
#pragma once

#include <QString>

class WindowContext;
class LinkListView;

namespace ResultSaving {
void saveValidList(WindowContext &window);
void saveInvalidList(WindowContext &window);

inline constexpr const char *SaveDialogTitle = "Save";
} // namespace ResultSaving

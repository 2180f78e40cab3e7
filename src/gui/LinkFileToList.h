// Loading one link file into a link list, skipping lines that are empty or hold only
// spaces.
#pragma once

#include <QString>

class WindowContext;
class LinkListView;

// Appends every line of the file at path that is not empty or spaces only to list, in file
// order and exactly as read. A missing file gets the "File not found" box; other failures get
// the error report and the load goes on.
void loadLinkFileIntoList(WindowContext &window, LinkListView &list, const QString &path);

// Link list editing by hand: typing a link in, the sample links, removing one row,
// clearing a list, opening the selected input link, and Help.
#pragma once

class WindowContext;
class LinkListView;

namespace ListEditing {
// Where Help sends questions.
inline constexpr const char *ContactPageAddress = "https://www.brindlewood.example/contact/";

void addTypedLink(WindowContext &window);
void appendSampleLinks(WindowContext &window);
void clearInputList(WindowContext &window);
void clearValidList(WindowContext &window);
void clearInvalidList(WindowContext &window);
void openSelectedLink(WindowContext &window);
void showHelp(WindowContext &window);
// Removes the selected row of list unless the window is busy; no report, no message.
void removeSelectedRow(WindowContext &window, LinkListView &list);
} // namespace ListEditing

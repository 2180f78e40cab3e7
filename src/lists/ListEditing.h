// Link list editing by hand: typing a link in, the sample links, removing one row,
// clearing a list, opening the selected input link, and Help.
#pragma once

class Form1;
class LinkListView;

namespace ListEditing {
void addTypedLink(Form1 &form); // PushButton5_Click
void appendSampleLinks(Form1 &form); // PushButton8_Click
void clearInputList(Form1 &form); // PushButton11_Click
void clearValidList(Form1 &form); // PushButton9_Click
void clearInvalidList(Form1 &form); // PushButton2_Click
void openSelectedLink(Form1 &form); // PushButton7_Click
void showHelp(Form1 &form); // PushButton10_Click
// Removes the selected row of list unless the window is busy; no report, no message.
void removeSelectedRow(Form1 &form, LinkListView &list);
} // namespace ListEditing

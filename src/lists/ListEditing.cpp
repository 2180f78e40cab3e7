#include "lists/ListEditing.h"

#include "app/Form1.h"

namespace ListEditing {
void addTypedLink(Form1 &) { }
void appendSampleLinks(Form1 &) { }
void clearInputList(Form1 &) { }
void clearValidList(Form1 &) { }
void clearInvalidList(Form1 &) { }
void openSelectedLink(Form1 &) { }
void showHelp(Form1 &) { }
void removeSelectedRow(Form1 &, LinkListView &) { }
} // namespace ListEditing

// Saving a result list as a text file, one link per line.
#pragma once

class Form1;
class LinkListView;

namespace ResultSaving {
void saveValidList(Form1 &form); // PushButton6_Click
void saveInvalidList(Form1 &form); // PushButton1_Click
} // namespace ResultSaving

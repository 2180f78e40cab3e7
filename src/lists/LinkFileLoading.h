// Loading link files chosen in the open dialog into the input list.
#pragma once

#include <QString>

class Form1;
class LinkListView;

namespace LinkFileLoading {
void loadLinkFiles(Form1 &form); // PushButton3_Click
} // namespace LinkFileLoading

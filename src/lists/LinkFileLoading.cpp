#include "lists/LinkFileLoading.h"

#include "app/Form1.h"

namespace LinkFileLoading {
void loadLinkFiles(Form1 &) { }
} // namespace LinkFileLoading

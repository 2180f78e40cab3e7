#include "lists/ResultSaving.h"

#include "app/Form1.h"

namespace ResultSaving {
void saveValidList(Form1 &) { }
void saveInvalidList(Form1 &) { }
} // namespace ResultSaving

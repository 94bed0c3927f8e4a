#include "project/Project.h"

// Placeholder until the boundary extraction is built.
void Camara::refreshView() {}

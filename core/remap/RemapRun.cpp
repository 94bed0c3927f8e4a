#include <cstdio>

#include "project/Project.h"

// Placeholder until the remapper run is built: nothing is remapped yet.
void Project::runRemapper() { printf("runRemapper: not built yet\r\n"); }

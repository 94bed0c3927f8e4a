// The window's single project. The core takes its project as an argument;
// the window's widgets and slots, which work on the one project the program
// holds, reach it here. The front end that owns the project installs it
// before the first widget exists and removes it before the project goes.
#pragma once

#include "project/Project.h"

// The installed project, null while none is.
Project* currentProject();
// Installs `project` (not owned; null removes it).
void setCurrentProject(Project* project);

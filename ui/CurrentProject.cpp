#include "CurrentProject.h"

namespace {
Project* g_project = nullptr;
}  // namespace

Project* currentProject() {
    return g_project;
}

void setCurrentProject(Project* project) {
    g_project = project;
}

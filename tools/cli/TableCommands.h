// The commands of orvikjoint-cli that look at a written table instead of a
// project: `inspect` and `render`. Each takes the arguments after its name and
// returns the process exit code (0 fine, 1 the table or a file is at fault,
// 2 a usage error).
#pragma once

#include <QStringList>

class Project;

extern const char kInspectUsage[];
extern const char kRenderUsage[];

// Both load a project they are given into `project`.
int runInspect(const QStringList& args, Project& project);
int runRender(const QStringList& args, Project& project);

// Prints "orvikjoint-cli: MESSAGE" on standard error and returns `code`.
int reportFailure(const QString& message, int code = 1);

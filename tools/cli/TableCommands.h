// The commands of orvikjoint-cli that look at a written table instead of a
// project: `inspect` and `render`. Each takes the arguments after its name and
// returns the process exit code (0 fine, 1 the table or a file is at fault,
// 2 a usage error).
#pragma once

#include <QStringList>

extern const char kInspectUsage[];
extern const char kRenderUsage[];

int runInspect(const QStringList& args);
int runRender(const QStringList& args);

// Prints "orvikjoint-cli: MESSAGE" on standard error and returns `code`.
int reportFailure(const QString& message, int code = 1);

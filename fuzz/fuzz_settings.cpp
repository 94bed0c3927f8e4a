// libFuzzer harness for the settings reader: any bytes as NAME.orvik.json must
// be refused with a message or read as a whole, and read settings must apply
// to a project (of any size, any names) and describe themselves, never crash.
#include <QString>
#include <cstddef>
#include <cstdint>

#include "FuzzFile.h"
#include "project/Project.h"
#include "project/RigSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzzFile(data, size, ".orvik.json");
    static Project project;  // four default cameras, as before a load
    RigSettingsRestore r = restoreSettings(project, QString::fromStdString(path));
    if (r.error.isEmpty()) (void)r.message();
    return 0;
}

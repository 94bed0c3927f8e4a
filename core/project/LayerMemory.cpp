#include "project/LayerMemory.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

#include "project/Project.h"

namespace {

uint64_t pixels(const PlannedLayer& l) {
    return static_cast<uint64_t>(l.width) * static_cast<uint64_t>(l.height);
}

// The remapper's plan for every camera, or false when it cannot give one in
// a few seconds.
bool askRemapper(const QString& remapper, const QString& ptoPath, int count,
                 std::vector<PlannedLayer>& layers) {
    if (!QFileInfo(remapper).isExecutable()) return false;
    QStringList args = {"--plan", "-c", "-o", "pic"};
    for (int i = 0; i < count; ++i) args << "-i" << QString::number(i);
    args << QFileInfo(ptoPath).absoluteFilePath();
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(remapper, args, QIODevice::ReadOnly);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(-1);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 &&
           parseRemapPlan(process.readAllStandardOutput(), count, layers);
}

}  // namespace

bool parseRemapPlan(const QByteArray& output, int count, std::vector<PlannedLayer>& layers) {
    static const QRegularExpression line(
        "^image (\\d+): layer (?:(\\d+)x(\\d+) at -?\\d+,-?\\d+|unknown [^,]*), needs (?:at least "
        ")?(\\d+) bytes$");
    layers.assign(static_cast<size_t>(std::max(count, 0)), PlannedLayer());
    std::vector<bool> seen(layers.size(), false);
    for (const QString& text : QString::fromLocal8Bit(output).split('\n', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = line.match(text.trimmed());
        if (!m.hasMatch()) return false;
        bool ok = false;
        const int index = m.captured(1).toInt(&ok);
        if (!ok || index < 0 || index >= count || seen[static_cast<size_t>(index)]) return false;
        PlannedLayer& l = layers[static_cast<size_t>(index)];
        l.width = m.captured(2).toLongLong();
        l.height = m.captured(3).toLongLong();
        l.remapperNeed = m.captured(4).toULongLong(&ok);
        if (!ok) return false;
        seen[static_cast<size_t>(index)] = true;
    }
    return std::all_of(seen.begin(), seen.end(), [](bool s) { return s; });
}

uint64_t loadedLayerBytes(const std::vector<PlannedLayer>& layers, bool shown) {
    const uint64_t perPixel = kLoadedBytesPerPixel + (shown ? kShownBytesPerPixel : 0);
    uint64_t total = 0, largest = 0;
    for (const PlannedLayer& l : layers) {
        total += pixels(l) * perPixel;
        largest = std::max(largest, pixels(l));
    }
    // While the largest is read: its compressed strips, or the general
    // reader's own copy of it.
    return total + largest * 8;
}

QString layerMemoryShortfall(const std::vector<PlannedLayer>& layers, bool shown,
                             const MachineMemory& machine) {
    const PlannedLayer* largest = nullptr;
    const PlannedLayer* hungriest = nullptr;
    for (const PlannedLayer& l : layers) {
        if (!largest || pixels(l) > pixels(*largest)) largest = &l;
        if (!hungriest || l.remapperNeed > hungriest->remapperNeed) hungriest = &l;
    }
    if (!largest) return QString();
    const auto size = [](const PlannedLayer& l) {
        return std::to_string(l.width) + " x " + std::to_string(l.height);
    };
    std::string why =
        memoryShortfall("the layers of this project (" + std::to_string(layers.size()) +
                            " cameras, the largest " + size(*largest) + " pixels) need",
                        loadedLayerBytes(layers, shown), machine);
    // The remapper runs before anything is loaded and needs its own share.
    if (why.empty())
        why = memoryShortfall("remapping camera " + std::to_string(hungriest - layers.data()) +
                                  "'s " + size(*hungriest) + " layer needs",
                              hungriest->remapperNeed, machine);
    return QString::fromStdString(why);
}

QString checkLayerMemory(const Project& project, const QString& remapper, bool shown,
                         const MachineMemory& machine) {
    const int count = static_cast<int>(project.cameras.size());
    if (count == 0 || project.panoWidth <= 0 || project.panoHeight <= 0) return QString();
    PlannedLayer whole;
    whole.width = project.panoWidth;
    whole.height = project.panoHeight;
    const std::vector<PlannedLayer> bound(static_cast<size_t>(count), whole);
    if (machine.usable() == MachineMemory::kUnknown ||
        loadedLayerBytes(bound, shown) <= machine.usable())
        return QString();
    std::vector<PlannedLayer> layers;
    if (!askRemapper(remapper, project.ptoFilePath, count, layers)) return QString();
    return layerMemoryShortfall(layers, shown, machine);
}

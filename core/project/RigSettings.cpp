#include "project/RigSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <climits>
#include <cmath>
#include <set>

#include "file/InputFile.h"
#include "file/Local8Bit.h"
#include "geometry/SliderRange.h"
#include "project/LoadReport.h"
#include "project/Project.h"

namespace {

// A settings file holds a few hundred bytes per camera; anything much larger
// is not one, and is refused before it is read.
constexpr qint64 kMaxSettingsBytes = qint64(16) << 20;

// A name or value quoted in a message stays short, whatever the file holds.
QString shortened(const QString& text) {
    return QString::fromStdString(shortenedName(text.toStdString(), 120));
}

QString imageName(const Camara& camera) {
    return QString::fromLocal8Bit(sourceFileName(camera.sourcePath).c_str());
}

// Takes values out of the parsed file; the first problem found is kept, naming
// the file and the key, and every later take fails without a message of its own.
class Checker {
public:
    explicit Checker(const QString& path) : path_(path) {}

    bool fail(const QString& problem) {
        if (error.isEmpty()) error = QString("settings file %1: %2").arg(path_, problem);
        return false;
    }
    bool integer(const QJsonObject& o, const QString& key, int lo, int hi, int* out,
                 const QString& where = QString()) {
        const QJsonValue v = o.value(key);
        const double d = v.toDouble();
        if (!present(o, key, where)) return false;
        if (!v.isDouble() || d != std::floor(d) || d < lo || d > hi)
            return fail(QString("'%1%2' must be a whole number from %3 to %4 (found %5)")
                            .arg(where, key)
                            .arg(lo)
                            .arg(hi)
                            .arg(shown(v)));
        *out = static_cast<int>(d);
        return true;
    }
    bool number(const QJsonObject& o, const QString& key, double lo, double hi, double* out,
                const QString& where) {
        const QJsonValue v = o.value(key);
        if (!present(o, key, where)) return false;
        if (!v.isDouble() || !(v.toDouble() >= lo && v.toDouble() <= hi))
            return fail(QString("'%1%2' must be a number from %3 to %4 (found %5)")
                            .arg(where, key)
                            .arg(lo)
                            .arg(hi)
                            .arg(shown(v)));
        *out = v.toDouble();
        return true;
    }
    bool boolean(const QJsonObject& o, const QString& key, bool* out,
                 const QString& where = QString()) {
        if (!present(o, key, where)) return false;
        if (!o.value(key).isBool())
            return fail(QString("'%1%2' must be true or false (found %3)")
                            .arg(where, key, shown(o.value(key))));
        *out = o.value(key).toBool();
        return true;
    }
    bool string(const QJsonObject& o, const QString& key, QString* out,
                const QString& where = QString()) {
        if (!present(o, key, where)) return false;
        if (!o.value(key).isString()) return fail(QString("'%1%2' must be a text").arg(where, key));
        *out = o.value(key).toString();
        return true;
    }
    bool array(const QJsonObject& o, const QString& key, QJsonArray* out) {
        if (!present(o, key, QString())) return false;
        if (!o.value(key).isArray()) return fail(QString("'%1' must be a list").arg(key));
        *out = o.value(key).toArray();
        return true;
    }

    QString error;

private:
    bool present(const QJsonObject& o, const QString& key, const QString& where) {
        if (!error.isEmpty()) return false;
        return o.contains(key) || fail(QString("'%1%2' is missing").arg(where, key));
    }
    static QString shown(const QJsonValue& v) {
        const QJsonArray wrapped{v};
        const QByteArray text = QJsonDocument(wrapped).toJson(QJsonDocument::Compact);
        return shortened(QString::fromUtf8(text.mid(1, text.size() - 2)));
    }
    QString path_;
};

}  // namespace

bool CameraTuning::operator==(const CameraTuning& o) const {
    return index == o.index && image == o.image && alpha == o.alpha && hidden == o.hidden &&
           highlighted == o.highlighted && dirL == o.dirL && dirR == o.dirR;
}

bool RigSettings::operator==(const RigSettings& o) const {
    return projectFile == o.projectFile && fingerprint == o.fingerprint &&
           blendValue == o.blendValue && cutValue == o.cutValue && autoMode == o.autoMode &&
           seamMode == o.seamMode && drawOrder == o.drawOrder && cameras == o.cameras;
}

RigSettings RigSettings::capture(const Project& project) {
    RigSettings s;
    s.projectFile = QFileInfo(project.ptoFilePath).fileName();
    s.fingerprint = project.calibrationFingerprint;
    s.blendValue = project.blendValue;
    s.cutValue = project.cutValue;
    s.autoMode = project.autoMode;
    s.seamMode = project.seamMode;
    s.drawOrder.assign(project.drawOrder.begin(), project.drawOrder.end());
    for (size_t i = 0; i < project.cameras.size(); ++i) {
        const Camara& c = project.cameras[i];
        s.cameras.push_back(
            {static_cast<int>(i), imageName(c), c.alpha, c.hidden, c.highlighted, c.dirL, c.dirR});
    }
    return s;
}

RigSettings RigSettings::defaults(const Project& project) {
    RigSettings s = capture(project);
    s.blendValue = s.cutValue = 0;
    s.autoMode = false;
    s.seamMode = SeamMode::Middle;
    const int n = static_cast<int>(s.cameras.size());
    for (int k = 0; k < n; ++k) s.drawOrder[static_cast<size_t>(k)] = n - 1 - k;
    for (CameraTuning& c : s.cameras) c = CameraTuning{c.index, c.image};
    return s;
}

QString RigSettings::write(const QString& path) const {
    QJsonArray cams;
    for (const CameraTuning& c : cameras)
        cams.append(QJsonObject{{"index", c.index},
                                {"image", c.image},
                                {"alpha", c.alpha},
                                {"hidden", c.hidden},
                                {"highlighted", c.highlighted},
                                {"dirL", c.dirL},
                                {"dirR", c.dirR}});
    QJsonArray order;
    for (int i : drawOrder) order.append(i);
    // QJsonObject keeps its keys sorted, so the file's order never changes.
    QJsonObject root{{"formatVersion", kFormatVersion},
                     {"project", projectFile},
                     {"fingerprint", fingerprint},
                     {"blendValue", blendValue},
                     {"cutValue", cutValue},
                     {"autoMode", autoMode},
                     {"drawOrder", order},
                     {"cameras", cams}};
    if (seamMode != SeamMode::Middle) root.insert("seams", seamModeName(seamMode));
    // The operator may have made the file read-only, or shared it with a
    // group: the new file keeps the old one's mode, as the tables do.
    const bool existed = QFileInfo::exists(path);
    const QFileDevice::Permissions mode =
        existed ? QFile::permissions(path) : QFileDevice::Permissions();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(root).toJson(QJsonDocument::Indented)) < 0 || !file.commit())
        return QString("cannot write settings file %1: %2").arg(path, file.errorString());
    // Without the "user" flags: Qt reports there what this process may do,
    // and would set them as the owner's bits.
    if (existed)
        QFile::setPermissions(
            path, mode & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser));
    return QString();
}

RigSettingsRead RigSettings::read(const QString& path) {
    RigSettingsRead result;
    // A pipe or a device would block the read, or never end it.
    const std::string notRegular = regularFileProblem(toLocal8BitString(path));
    if (!notRegular.empty()) {
        result.error = QString("cannot read settings file %1: %2").arg(path, notRegular.c_str());
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QString("cannot read settings file %1: %2").arg(path, file.errorString());
        return result;
    }
    // At most one byte more than allowed is read, in case the file grows.
    const QByteArray bytes = file.size() > kMaxSettingsBytes ? QByteArray(kMaxSettingsBytes + 1, 0)
                                                             : file.read(kMaxSettingsBytes + 1);
    if (bytes.size() > kMaxSettingsBytes) {
        result.error = QString("settings file %1 is larger than %2 MB: not a settings file")
                           .arg(path)
                           .arg(kMaxSettingsBytes >> 20);
        return result;
    }
    if (file.error() != QFileDevice::NoError) {
        result.error = QString("cannot read settings file %1: %2").arg(path, file.errorString());
        return result;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
    Checker check(path);
    if (doc.isNull())
        check.fail(QString("not valid JSON (%1 at byte %2)")
                       .arg(parseError.errorString())
                       .arg(parseError.offset));
    else if (!doc.isObject())
        check.fail("not a settings object");
    const QJsonObject root = doc.object();

    RigSettings s;
    int version = 0;
    if (check.integer(root, "formatVersion", 1, INT_MAX, &version) && version > kFormatVersion)
        check.fail(QString("written by a newer program (format %1; this one reads up to %2)")
                       .arg(version)
                       .arg(kFormatVersion));
    check.string(root, "project", &s.projectFile);
    check.string(root, "fingerprint", &s.fingerprint);
    check.integer(root, "blendValue", 0, kSliderMax, &s.blendValue);
    check.integer(root, "cutValue", 0, kSliderMax, &s.cutValue);
    check.boolean(root, "autoMode", &s.autoMode);
    QString seams = seamModeName(SeamMode::Middle);
    if (root.contains("seams") && check.string(root, "seams", &seams)) {
        const std::optional<SeamMode> mode = seamModeFromName(seams.toStdString());
        if (mode)
            s.seamMode = *mode;
        else
            check.fail(QString("'seams' must be \"middle\" or \"content\" (found \"%1\")")
                           .arg(shortened(seams)));
    }

    QJsonArray cams, order;
    check.array(root, "cameras", &cams);
    std::set<int> indices;
    int highlighted = 0;
    for (int k = 0; k < cams.size() && check.error.isEmpty(); ++k) {
        const QString where = QString("cameras[%1].").arg(k);
        if (!cams.at(k).isObject()) {
            check.fail(QString("'cameras[%1]' must be an object").arg(k));
            break;
        }
        const QJsonObject o = cams.at(k).toObject();
        CameraTuning c;
        check.integer(o, "index", 0, cams.size() - 1, &c.index, where);
        check.string(o, "image", &c.image, where);
        check.number(o, "alpha", 0.0, 1.0, &c.alpha, where);
        check.boolean(o, "hidden", &c.hidden, where);
        check.boolean(o, "highlighted", &c.highlighted, where);
        check.integer(o, "dirL", 0, kSliderMax, &c.dirL, where);
        check.integer(o, "dirR", 0, kSliderMax, &c.dirR, where);
        if (check.error.isEmpty() && !indices.insert(c.index).second)
            check.fail(QString("'%1index' repeats camera %2").arg(where).arg(c.index));
        highlighted += c.highlighted ? 1 : 0;
        s.cameras.push_back(c);
    }
    // The window highlights one camera at a time.
    if (highlighted > 1) check.fail("'highlighted' is set for more than one camera");

    if (check.array(root, "drawOrder", &order)) {
        std::set<int> seen;
        for (const QJsonValue& v : order) {
            // Range first: a number beyond int has no int value to look up.
            const double d = v.toDouble(-1);
            if (d >= 0 && d < cams.size() && d == std::floor(d) &&
                indices.count(static_cast<int>(d)) && seen.insert(static_cast<int>(d)).second)
                s.drawOrder.push_back(static_cast<int>(d));
        }
        if (s.drawOrder.size() != indices.size() || order.size() != cams.size())
            check.fail(QString("'drawOrder' must list each camera index from 0 to %1 once")
                           .arg(cams.size() - 1));
    }
    if (check.error.isEmpty())
        result.settings = s;
    else
        result.error = check.error;
    return result;
}

RigSettingsApplied RigSettings::apply(Project& project) const {
    RigSettingsApplied report;
    report.calibrationChanged = fingerprint != project.calibrationFingerprint;
    const int n = static_cast<int>(project.cameras.size());
    std::vector<QString> names;
    for (const Camara& c : project.cameras) names.push_back(imageName(c));

    // Saved index -> camera index: the same index when its image is the same,
    // otherwise the first camera left with that image.
    std::vector<int> target(cameras.size(), -1);
    std::vector<bool> taken(static_cast<size_t>(n), false);
    for (size_t k = 0; k < cameras.size(); ++k) {
        const int i = cameras[k].index;
        if (i >= 0 && i < n && names[static_cast<size_t>(i)] == cameras[k].image) {
            target[k] = i;
            taken[static_cast<size_t>(i)] = true;
        }
    }
    for (size_t k = 0; k < cameras.size(); ++k) {
        for (int i = 0; i < n && target[k] < 0; ++i) {
            if (!taken[static_cast<size_t>(i)] &&
                names[static_cast<size_t>(i)] == cameras[k].image) {
                target[k] = i;
                taken[static_cast<size_t>(i)] = true;
            }
        }
    }

    project.blendValue = blendValue;
    project.cutValue = cutValue;
    project.autoMode = autoMode;
    project.seamMode = seamMode;
    std::vector<int> newIndexOf(cameras.size(), -1);  // by saved index
    for (size_t k = 0; k < cameras.size(); ++k) {
        const CameraTuning& t = cameras[k];
        if (target[k] < 0) {
            report.unmatched << QString("%1 (not in the project)").arg(shortened(t.image));
            continue;
        }
        if (t.index >= 0 && t.index < static_cast<int>(newIndexOf.size()))
            newIndexOf[static_cast<size_t>(t.index)] = target[k];
        Camara& c = project.cameras[static_cast<size_t>(target[k])];
        c.alpha = t.alpha;
        c.hidden = t.hidden;
        c.highlighted = t.highlighted;
        c.dirL = t.dirL;
        c.dirR = t.dirR;
    }
    // A camera the settings do not know starts as a freshly loaded one would,
    // at the bottom of the drawing order.
    std::deque<int> order;
    for (int i = 0; i < n; ++i) {
        if (taken[static_cast<size_t>(i)]) continue;
        Camara& c = project.cameras[static_cast<size_t>(i)];
        c.alpha = 1.0;
        c.hidden = c.highlighted = false;
        c.dirL = c.dirR = 0;
        order.push_front(i);
        report.unmatched
            << QString("camera %1 (%2)").arg(i).arg(shortened(names[static_cast<size_t>(i)]));
    }
    for (int saved : drawOrder)
        if (saved >= 0 && saved < static_cast<int>(newIndexOf.size()) &&
            newIndexOf[static_cast<size_t>(saved)] >= 0)
            order.push_back(newIndexOf[static_cast<size_t>(saved)]);
    project.drawOrder = order;
    return report;
}

QString settingsPathFor(const QString& ptoPath) {
    const QFileInfo pto(ptoPath);
    return pto.absoluteDir().filePath(pto.completeBaseName() + ".orvik.json");
}

RigSettingsRestore restoreSettings(Project& project, const QString& path) {
    RigSettingsRestore r;
    r.path = path;
    r.found = QFileInfo::exists(path);
    if (!r.found) return r;
    const RigSettingsRead read = RigSettings::read(path);
    if (!read.settings) {
        r.error = read.error;
        return r;
    }
    r.saved = *read.settings;
    r.applied = r.saved.apply(project);
    return r;
}

QString RigSettingsRestore::message() const {
    QString text = QString("settings restored from %1").arg(path);
    // A file for another rig can name thousands of cameras: the first few say enough.
    constexpr int kListed = 10;
    QStringList listed = applied.unmatched.mid(0, kListed);
    if (applied.unmatched.size() > kListed)
        listed << QString("and %1 more").arg(applied.unmatched.size() - kListed);
    if (!applied.unmatched.isEmpty())
        text += QString("; the calibration changed, settings not applied to: %1")
                    .arg(listed.join(", "));
    else if (applied.calibrationChanged)
        text += "; the calibration changed since they were saved";
    return text;
}

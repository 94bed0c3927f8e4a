#include "tables/TableFile.h"

#include <QFile>

const TableViolations& TableFile::violations() const {
    static const TableViolations none;
    return device ? device->violations : quickWeave ? quickWeave->violations : none;
}

TableCoverage TableFile::coverage() const {
    if (device) return measureCoverage(*device);
    if (quickWeave) return measureCoverage(*quickWeave);
    return TableCoverage();
}

DeviceView TableFile::render(const std::vector<cv::Mat>& frames) const {
    if (device) return renderDeviceView(*device, frames);
    if (quickWeave) return renderDeviceView(*quickWeave, frames);
    return DeviceView();
}

TableFile readTableFile(const std::string& path) {
    TableFile t;
    t.path = path;
    QFile f(QString::fromLocal8Bit(path.c_str()));
    if (!f.open(QIODevice::ReadOnly)) {
        t.error = "cannot open " + path + ": " + f.errorString().toStdString();
        return t;
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        t.error = "cannot read " + path + ": " + f.errorString().toStdString();
        return t;
    }
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    const size_t size = static_cast<size_t>(bytes.size());
    t.format = detectTableFormat(path, data, size);
    if (t.format == TableFormat::QuickWeave)
        t.quickWeave = std::make_unique<QuickWeaveTable>(readQuickWeaveTable(data, size));
    else
        t.device = std::make_unique<DeviceTable>(readDeviceTable(data, size, t.format));
    return t;
}

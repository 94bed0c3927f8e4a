#include "export/BlendPartition.h"

#include "export/LittleEndianWriter.h"

void BlendRecordHeader::writeTo(LittleEndianWriter& out) const {
    uint8_t b[kBytes];
    storeU16(b + kRowAt, rowField);
    storeU16(b + kXAt, x);
    storeU16(b + kWidthAt, width);
    b[kByte6At] = byte6;
    b[kByte7At] = byte7;
    out.bytes(b, kBytes);
}

BlendPartition blendPartition(int W, int N) {
    BlendPartition p;
    p.W = W;
    if (N < 1 || N > kMaxBlendCameras) return p;
    p.blockWidth = (3000 / N) / BlendPartition::kAlignment * BlendPartition::kAlignment;
    p.blockCount = W > 0 ? (W + p.blockWidth - 1) / p.blockWidth : 0;
    return p;
}

std::string blendCameraCountProblem(int N) {
    if (N >= 1 && N <= kMaxBlendCameras) return std::string();
    return "Too many cameras for the blend table: " + std::to_string(N) + " (at most " +
           std::to_string(kMaxBlendCameras) + ")";
}

std::optional<ExportResult> checkBlendCameraCount(int N, const std::string& path) {
    const std::string problem = blendCameraCountProblem(N);
    if (problem.empty()) return std::nullopt;
    return failExport(path, "%s\r\n", problem.c_str());
}

ExportResult blendTableMisaligned(const BlendTableOutcome& outcome, const std::string& path) {
    return failExport(path, "blend table do not 4 byte align pixlen:%d pos.x:%d\r\n", outcome.width,
                      outcome.x);
}

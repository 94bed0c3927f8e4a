// The files nona2 writes for one remapped image.
#pragma once

#include <string>

#include "Remapper.h"

namespace nona2 {

// Writes `layer` as BASE.tif and, with `withMaps`, its maps as BASE_x.tif and
// BASE_y.tif (`compression` a TIFF code, see compressionCode). The files are
// compressed at the same time, one thread each, under temporary names beside
// their targets, and are renamed into place only when all of them are
// complete. False with a message naming the file and the problem; the
// temporary files are then gone (a file renamed before a later rename failed
// stays).
bool writeLayerFiles(const std::string& base, const RemappedLayer& layer, bool withMaps,
                     int compression, std::string& error);

}  // namespace nona2

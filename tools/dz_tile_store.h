// Tiles of an open image's DeepZoom pyramid made when first asked for and
// kept as files in a folder of their own (removed with the store). Tiles
// of the top level are cut from the image's rows; the first tile asked for
// below it builds every lower level in one pass.
#pragma once

#include <mutex>
#include <string>

#include "tools/dz_writer.h"

namespace velmora::cli {

class DzTileStore {
public:
    // `image` must outlive the store; `cacheDir` is made and later removed.
    DzTileStore(const Image& image, const DzOptions& options, std::string cacheDir);
    ~DzTileStore();
    DzTileStore(const DzTileStore&) = delete;
    DzTileStore& operator=(const DzTileStore&) = delete;

    const DzGeometry& geometry() const { return m_geometry; }
    bool Contains(int level, int column, int row) const;
    // The file of the tile; empty when the pyramid has no such tile. A
    // velmora::Error when it cannot be made. Safe from several threads.
    std::string TileFile(int level, int column, int row);

private:
    std::string PathOf(int level, int column, int row) const;
    void CutTopTile(int column, int row);
    void BuildLowerLevels();

    const Image& m_image;
    DzOptions m_options;
    DzGeometry m_geometry;
    std::string m_dir;
    bool m_lowerBuilt = false;
    std::mutex m_mutex;  // one thread reads the image at a time
};

}  // namespace velmora::cli

// Tiles of an open image's DeepZoom pyramid made when first asked for and
// kept as files in a folder of their own (removed with the store). A tile
// of a level above the whole-image level is made from the image rows it
// covers alone (dz_tile_source.h); the first tile asked for at or below
// that level makes the whole-image tile, and every level below from it.
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
    RgbPicture MakeTile(int level, int column, int row);
    void SaveSmallLevels();

    const Image& m_image;
    DzOptions m_options;
    DzGeometry m_geometry;
    std::string m_dir;
    std::once_flag m_smallLevels;
    std::mutex m_mutex;  // one thread reads the image at a time; held only for reading
};

}  // namespace velmora::cli

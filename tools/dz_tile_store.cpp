#include "tools/dz_tile_store.h"

#include <filesystem>
#include <vector>

#include "tools/dz_source.h"

namespace velmora::cli {

namespace fs = std::filesystem;

DzTileStore::DzTileStore(const Image& image, const DzOptions& options, std::string cacheDir)
    : m_image(image), m_options(options), m_geometry(GeometryOf(image, options)), m_dir(std::move(cacheDir)) {
    for (int level = 0; level <= m_geometry.top(); ++level) fs::create_directories(fs::path(m_dir) / std::to_string(level));
}

DzTileStore::~DzTileStore() {
    std::error_code ignored;
    fs::remove_all(m_dir, ignored);
}

bool DzTileStore::Contains(int level, int column, int row) const {
    return level >= 0 && level <= m_geometry.top() && column >= 0 && row >= 0 &&
           column < m_geometry.TileCount(m_geometry.LevelWidth(level)) &&
           row < m_geometry.TileCount(m_geometry.LevelHeight(level));
}

std::string DzTileStore::PathOf(int level, int column, int row) const {
    return (fs::path(m_dir) / std::to_string(level) /
            (std::to_string(column) + "_" + std::to_string(row) + "." + m_options.format))
        .string();
}

std::string DzTileStore::TileFile(int level, int column, int row) {
    if (!Contains(level, column, row)) return std::string();
    const std::string path = PathOf(level, column, row);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (fs::exists(path)) return path;
    if (level == m_geometry.top())
        CutTopTile(column, row);
    else
        BuildLowerLevels();
    return path;
}

void DzTileStore::CutTopTile(int column, int row) {
    const TileSpan across = m_geometry.Tile(column, m_geometry.width);
    const TileSpan down = m_geometry.Tile(row, m_geometry.height);
    const std::size_t stride = static_cast<std::size_t>(across.size) * 3;
    std::vector<std::uint8_t> pixels;
    pixels.reserve(stride * static_cast<std::size_t>(down.size));
    StreamRgbRows(m_image, down.start, down.size, [&](const std::uint8_t* rgb) {
        const std::uint8_t* from = rgb + static_cast<std::size_t>(across.start) * 3;
        pixels.insert(pixels.end(), from, from + stride);
    });
    SaveTile({m_geometry.top(), column, row, across.size, down.size, pixels.data(), stride},
             PathOf(m_geometry.top(), column, row), m_options);
}

void DzTileStore::BuildLowerLevels() {
    if (m_lowerBuilt) return;
    PyramidBuilder builder(m_geometry, [&](const TileImage& tile) {
        if (tile.level < m_geometry.top()) SaveTile(tile, PathOf(tile.level, tile.column, tile.row), m_options);
    });
    StreamRgbRows(m_image, 0, m_geometry.height, [&](const std::uint8_t* rgb) { builder.AddRow(rgb); });
    builder.Finish();
    m_lowerBuilt = true;
}

}  // namespace velmora::cli

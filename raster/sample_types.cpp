#include "velmora/raster.hpp"

namespace velmora {

namespace {

struct TypeFacts {
    const char* name;
    std::size_t bytes;
};

constexpr TypeFacts kTypes[] = {
    {"uint8", 1},   {"int8", 1},    {"uint16", 2},  {"int16", 2},         {"uint32", 4},
    {"int32", 4},   {"uint64", 8},  {"int64", 8},   {"float32", 4},       {"float64", 8},
    {"complex_int16", 4}, {"complex_int32", 8}, {"complex64", 8}, {"complex128", 16},
};

}  // namespace

const char* to_string(SampleType type) { return kTypes[static_cast<int>(type)].name; }
std::size_t sample_bytes(SampleType type) { return kTypes[static_cast<int>(type)].bytes; }

}  // namespace velmora

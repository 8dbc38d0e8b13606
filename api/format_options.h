// Save options (JPEG quality, TIFF compression, PNG level) are library-wide
// settings; a save that names one sets it for its own length only.
#pragma once

#include <mutex>
#include <vector>

#include "velmora/image.hpp"

namespace velmora::api {

// Checks the options against the format (an Error when the format has no
// such option or the value is out of range), then sets them and holds a lock,
// so saves with options from several threads each see their own; the
// settings return to what they were when the scope ends.
class FormatOptionScope {
public:
    FormatOptionScope(int format, const SaveOptions& options);
    ~FormatOptionScope();
    FormatOptionScope(const FormatOptionScope&) = delete;
    FormatOptionScope& operator=(const FormatOptionScope&) = delete;

private:
    std::unique_lock<std::mutex> m_lock;
    std::vector<void (*)()> m_restore;
};

}  // namespace velmora::api

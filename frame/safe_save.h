// Saving without destroying what was there: a codec writes a temporary file
// beside the target and only a finished save is renamed over the target. A
// save that fails, or that an exception leaves, removes the temporary and
// leaves the target as it was.
#pragma once

#include <string>

namespace velmora {

class SafeSave {
public:
    // `target` is the file the save is for. Nothing is created yet.
    explicit SafeSave(const char* target);
    // Removes the temporary unless Commit succeeded.
    ~SafeSave();

    SafeSave(const SafeSave&) = delete;
    SafeSave& operator=(const SafeSave&) = delete;

    // Creates an empty temporary with a fresh name in the target's directory
    // (a symbolic link as target counts as the file it points to). False when
    // it cannot be created. Codecs open TempPath() themselves, by name.
    bool Create();
    const char* TempPath() const { return m_temp.c_str(); }

    // Renames the finished temporary over the target; the codec has closed it.
    // False (and the temporary removed) when the rename fails.
    bool Commit();
    // Removes the temporary now.
    void Abandon();

private:
    std::string m_target;
    std::string m_temp;
    bool m_bCommitted = false;
};

}  // namespace velmora

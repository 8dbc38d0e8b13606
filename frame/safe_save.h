// Saving without destroying what was there: a codec writes a temporary file
// in the target's directory and only a finished save takes the target's
// place. The temporary has no name while it is written (O_TMPFILE), so a
// process killed mid-save leaves nothing behind; where the file system
// cannot make one, it is a hidden file beside the target, as before. A save
// that fails, or that an exception leaves, removes the temporary and leaves
// the target as it was.
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

    // Creates an empty temporary in the target's directory (a symbolic link
    // as target counts as the file it points to). False when it cannot be
    // created. Codecs open TempPath() themselves, by name: for a nameless
    // temporary that is its /proc/self/fd path.
    bool Create();
    const char* TempPath() const { return m_temp.c_str(); }

    // Puts the finished temporary in the target's place; the codec has
    // closed what it opened. False (and the temporary removed) when that fails.
    bool Commit();
    // Removes the temporary now.
    void Abandon();

private:
    bool CreateNameless();
    bool CreateNamed();
    // Gives the nameless temporary a fresh name beside the target.
    bool LinkNameless();

    std::string m_target;
    std::string m_temp;
    int m_fd = -1;  // the nameless temporary, kept open until it is linked or dropped
    bool m_bCommitted = false;
};

}  // namespace velmora

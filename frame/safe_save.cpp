#include "frame/safe_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "platform/system_error.h"

namespace velmora {

namespace {

// The file a save should replace: a link's final destination when the target
// is a symbolic link, so that saving through a link updates what it names.
std::string ResolveTarget(const std::string& target) {
    struct stat st;
    if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return target;
    char resolved[PATH_MAX];
    if (!realpath(target.c_str(), resolved)) return target;
    return resolved;
}

std::string DirectoryPart(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NamePart(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

constexpr int kNameAttempts = 100;

// A name in the target's directory that sorts beside the target and that no
// other save uses at the same moment.
std::string CandidateName(const std::string& target) {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, ".%llx.%lx.tmp", static_cast<unsigned long long>(generator()),
                  static_cast<unsigned long>(getpid()));
    return DirectoryPart(target) + "." + NamePart(target) + suffix;
}

// A replaced file keeps its permissions; a new one gets the usual 0666 & ~umask.
void CopyMode(const std::string& from, int fd) {
    struct stat st;
    if (stat(from.c_str(), &st) == 0 && S_ISREG(st.st_mode)) fchmod(fd, st.st_mode & 07777);
}

}  // namespace

SafeSave::SafeSave(const char* target) : m_target(ResolveTarget(target ? target : "")) {}

SafeSave::~SafeSave() {
    if (!m_bCommitted) Abandon();
}

bool SafeSave::Create() {
    Abandon();
    if (m_target.empty() || m_target.back() == '/') return false;
    return CreateNameless() || CreateNamed();
}

bool SafeSave::CreateNameless() {
    const std::string dir = DirectoryPart(m_target);
    const int fd = open(dir.empty() ? "." : dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0) return false;  // the named way tries again and says why it cannot
    // The C libraries open the temporary by name: without /proc they cannot.
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (access(path.c_str(), W_OK) != 0) {
        close(fd);
        return false;
    }
    CopyMode(m_target, fd);
    m_fd = fd;
    m_temp = path;
    return true;
}

bool SafeSave::CreateNamed() {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string name = CandidateName(m_target);
        int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            CopyMode(m_target, fd);
            close(fd);
            m_temp = name;
            return true;
        }
        if (errno != EEXIST) {
            NoteSystemError(errno);
            return false;
        }
    }
    NoteSystemError(EEXIST);
    return false;
}

bool SafeSave::LinkNameless() {
    // A new file is linked as the target itself; one that exists is replaced
    // by a rename from a fresh name, which it has only for that moment.
    if (linkat(AT_FDCWD, m_temp.c_str(), AT_FDCWD, m_target.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        m_temp = m_target;
    } else {
        int error = errno;
        for (int attempt = 0; error == EEXIST && attempt < kNameAttempts; ++attempt) {
            std::string name = CandidateName(m_target);
            if (linkat(AT_FDCWD, m_temp.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                m_temp = name;
                error = 0;
            } else {
                error = errno;
            }
        }
        if (error != 0) {
            NoteSystemError(error);
            return false;
        }
    }
    close(m_fd);
    m_fd = -1;
    return true;
}

bool SafeSave::Commit() {
    if (m_temp.empty()) return false;
    if (m_fd >= 0 && !LinkNameless()) {
        Abandon();
        return false;
    }
    if (m_temp != m_target && rename(m_temp.c_str(), m_target.c_str()) != 0) {
        NoteSystemError(errno);
        Abandon();
        return false;
    }
    m_temp.clear();
    m_bCommitted = true;
    return true;
}

void SafeSave::Abandon() {
    if (m_fd >= 0) {
        close(m_fd);  // a nameless file goes with its last descriptor
        m_fd = -1;
    } else if (!m_temp.empty()) {
        unlink(m_temp.c_str());
    }
    m_temp.clear();
}

}  // namespace velmora

#include "compat/posix/registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "compat/posix/registry_text.h"

namespace tarn::compat::registry {

namespace {

enum class Load { Fine, Damaged, Unreadable };

LSTATUS StatusFor(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS: return ERROR_ACCESS_DENIED;
    case ENOENT:
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    default: return ERROR_REGISTRY_IO_FAILED;
    }
}

// An open descriptor, closed at the end of the scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_Fd(fd) {}
    ~Descriptor() {
        if (m_Fd >= 0) ::close(m_Fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_Fd; }
    // Closes now; false when closing reported a failed write.
    bool Close() {
        const int fd = m_Fd;
        m_Fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_Fd;
};

// flock on the lock file beside the store (created when missing); held while the object lives.
class StoreLock {
public:
    StoreLock(const std::string& storePath, bool exclusive)
        : m_File(::open((storePath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
        if (m_File.Get() < 0) {
            m_Error = errno;
            return;
        }
        while (::flock(m_File.Get(), exclusive ? LOCK_EX : LOCK_SH) != 0) {
            if (errno != EINTR) {
                m_Error = errno;
                return;
            }
        }
        m_Held = true;
    }
    bool Held() const { return m_Held; }
    int Error() const { return m_Error; }

private:
    Descriptor m_File;
    bool m_Held = false;
    int m_Error = 0;
};

// Every folder on the way to the file.
int CreateFolders(const std::string& filePath) {
    for (std::size_t slash = filePath.find('/', 1); slash != std::string::npos; slash = filePath.find('/', slash + 1)) {
        if (::mkdir(filePath.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST) return errno;
    }
    return 0;
}

Load LoadStore(const std::string& path, Tree& tree) {
    // O_NONBLOCK: a FIFO put in the store's place must not block the open.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0) return errno == ENOENT ? Load::Fine : Load::Unreadable;
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0) return Load::Unreadable;
    if (!S_ISREG(status.st_mode) || status.st_size > static_cast<off_t>(kMaxStoreBytes)) return Load::Damaged;
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return Load::Unreadable;
        if (got == 0) break;
        if (text.size() + static_cast<std::size_t>(got) > kMaxStoreBytes) return Load::Damaged;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    Tree parsed;
    if (!ParseStore(text, parsed)) return Load::Damaged;
    tree = std::move(parsed);
    return Load::Fine;
}

bool WriteAll(int fd, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// Readers see the old file or the new one, never a part: the text goes to a temporary file
// that replaces the store by rename. The exclusive lock makes the temporary's name safe.
LSTATUS ReplaceStore(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".tmp";
    Descriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (file.Get() < 0) return StatusFor(errno);
    const bool written = WriteAll(file.Get(), text) && ::fsync(file.Get()) == 0;
    if (!file.Close() || !written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return ERROR_REGISTRY_IO_FAILED;
    }
    return ERROR_SUCCESS;
}

}  // namespace

bool StorePath(std::string& path) {
    const char* chosen = std::getenv("TARN_REGISTRY");
    if (chosen && *chosen) {
        path = chosen;
        return true;
    }
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') {
        path = std::string(config) + "/tarn/registry";
        return true;
    }
    const char* home = std::getenv("HOME");
    if (home && *home) {
        path = std::string(home) + "/.config/tarn/registry";
        return true;
    }
    return false;
}

namespace {

// The store at path as it is now; empty when it is absent, unreadable or damaged.
Tree ReadStore(const std::string& path) {
    Tree tree;
    // Without a lock file (no folder yet, or no right to create one) the read still sees a
    // whole file, thanks to the atomic replacement.
    const StoreLock lock(path, false);
    if (LoadStore(path, tree) != Load::Fine) return Tree();
    return tree;
}

// Adds the keys and values of from that into lacks, as HKEY_CLASSES_ROOT shows the machine's
// classes under the user's own.
void AddMissing(Key& into, const Key& from) {
    for (const Value& value : from.Values()) {
        if (!into.FindValue(value.m_Name)) into.SetValue(value.m_Name, value.m_Data);
    }
    for (const Key& sub : from.Subkeys()) {
        bool created = false;
        AddMissing(into.Add(sub.Name(), created), sub);
    }
}

}  // namespace

Tree StoreFile::Read() {
    std::string path;
    if (!StorePath(path)) return Tree();
    Tree tree = ReadStore(path);
#ifdef TARN_SYSTEM_REGISTRY
    // The machine's store, which packages write when they install their modules, adds its classes
    // to the user's store; a store named by $TARN_REGISTRY stands alone.
    const char* chosen = std::getenv("TARN_REGISTRY");
    if (!(chosen && *chosen)) {
        Tree system = ReadStore(TARN_SYSTEM_REGISTRY);
        const KeyPath classes{Tree::kClassesRoot};
        if (Key* from = system.Find(classes)) {
            bool created = false;
            AddMissing(tree.Top().Add(Tree::kClassesRoot, created), *from);
        }
    }
#endif
    return tree;
}

LSTATUS StoreFile::Modify(const Change& change) {
    std::string path;
    if (!StorePath(path)) return ERROR_PATH_NOT_FOUND;
    if (const int error = CreateFolders(path)) return StatusFor(error);
    const StoreLock lock(path, true);
    if (!lock.Held()) return StatusFor(lock.Error());
    Tree tree;
    switch (LoadStore(path, tree)) {
    case Load::Fine: break;
    case Load::Damaged: return ERROR_BADDB;
    case Load::Unreadable: return ERROR_ACCESS_DENIED;
    }
    bool changed = false;
    const LSTATUS status = change(tree, changed);
    if (status != ERROR_SUCCESS || !changed) return status;
    const std::string text = FormatStore(tree);
    if (text.size() > kMaxStoreBytes) return ERROR_OUTOFMEMORY;
    return ReplaceStore(path, text);
}

}  // namespace tarn::compat::registry

#include "measure/atomicfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace spinlab {

namespace {

std::string reason(int error) {
    return std::strerror(error);
}

// A hidden name beside the target, unique to this process and call, so that two saves (or two
// sweep threads) never share one.
std::string tempNameFor(const std::string& path, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    return dir + "." + base + "." + std::to_string(::getpid()) + "." + std::to_string(counter++) +
           "." + std::to_string(attempt) + ".tmp";
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {
    if (path_.empty() || path_.back() == '/') throw WriteError{path_, reason(EISDIR)};
    int fd = -1;
    for (unsigned attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp_ = tempNameFor(path_, attempt);
        // 0666 less the umask, the mode an ordinary new file gets.
        fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        const int error = errno;
        temp_.clear();
        throw WriteError{path_, reason(error)};
    }
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        const int error = errno;
        ::close(fd);
        discard();
        throw WriteError{path_, reason(error)};
    }
}

AtomicFile::~AtomicFile() {
    discard();
}

void AtomicFile::discard() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

void AtomicFile::commit() {
    if (!file_) throw WriteError{path_, reason(EBADF)};
    int error = 0;
    errno = 0;
    if (std::fflush(file_) != 0 || std::ferror(file_)) error = errno ? errno : EIO;
    // The data must be on disk before the rename makes it the file, or a crash could leave an
    // empty file under the target's name.
    if (!error && ::fsync(::fileno(file_)) != 0) error = errno;
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (!error && closed != 0) error = errno;
    if (!error && std::rename(temp_.c_str(), path_.c_str()) != 0) error = errno;
    if (error) {
        discard();
        throw WriteError{path_, reason(error)};
    }
    temp_.clear();
}

void writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes) {
    AtomicFile file(path);
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.file()) != bytes.size()) {
        throw WriteError{path, reason(errno ? errno : EIO)};
    }
    file.commit();
}

}  // namespace spinlab

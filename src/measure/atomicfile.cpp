#include "measure/atomicfile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

// The temporary files alive, in fixed storage a signal handler can read without locks: a slot
// is Ready only while both its names are whole. A file finding no free slot is not cleaned up
// on a stop, which no run of this program comes near (it keeps at most two files open).
enum SlotState : int { Free, Writing, Ready };
struct Slot {
    std::atomic<int> state{Free};
    char temp[PATH_MAX];
    char keep[PATH_MAX];
};
std::array<Slot, 16> slots;

bool copyName(char (&to)[PATH_MAX], const std::string& from) {
    if (from.size() >= PATH_MAX) return false;
    std::memcpy(to, from.c_str(), from.size() + 1);
    return true;
}

int claimSlot(const std::string& temp, const std::string& keep) {
    for (std::size_t i = 0; i < slots.size(); ++i) {
        int expected = Free;
        if (!slots[i].state.compare_exchange_strong(expected, Writing)) continue;
        if (!copyName(slots[i].temp, temp)) {
            slots[i].state.store(Free);
            return -1;
        }
        if (!copyName(slots[i].keep, keep)) slots[i].keep[0] = '\0';
        slots[i].state.store(Ready);
        return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

void stopTemporaryFiles() noexcept {
    for (Slot& slot : slots) {
        if (slot.state.load() != Ready) continue;
        // A name too long to keep, or a rename refused, still leaves no temporary file.
        if (slot.keep[0] == '\0' || ::rename(slot.temp, slot.keep) != 0) ::unlink(slot.temp);
    }
}

void AtomicFile::forget() {
    if (slot_ >= 0) slots[static_cast<std::size_t>(slot_)].state.store(Free);
    slot_ = -1;
}

AtomicFile::AtomicFile(std::string path, const std::string& keepOnStop)
    : path_(std::move(path)), target_(path_) {
    if (path_.empty() || path_.back() == '/') throw WriteError{path_, reason(EISDIR)};
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) throw WriteError{path_, reason(EISDIR)};
        inPlace_ = !S_ISREG(st.st_mode);
        if (!inPlace_) {
            char* resolved = ::realpath(path_.c_str(), nullptr);
            if (resolved) target_ = resolved;
            std::free(resolved);
        }
    }
    int fd = -1;
    if (inPlace_) {
        fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
    } else {
        for (unsigned attempt = 0; fd < 0 && attempt < 100; ++attempt) {
            temp_ = tempNameFor(target_, attempt);
            // Known before it exists, so that a stop right after its creation removes it.
            slot_ = claimSlot(temp_, keepOnStop);
            // 0666 less the umask, the mode an ordinary new file gets.
            fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0) forget();
            if (fd < 0 && errno != EEXIST) break;
        }
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
        fail(error);
    }
}

AtomicFile::~AtomicFile() {
    discard();
}

void AtomicFile::discard() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    // Unlinked before it is forgotten: a stop in between finds nothing left to remove.
    if (!temp_.empty()) ::unlink(temp_.c_str());
    forget();
    temp_.clear();
}

void AtomicFile::fail(int error) {
    discard();
    throw WriteError{path_, reason(error)};
}

void AtomicFile::finish() {
    if (finished_) return;
    if (!file_) throw WriteError{path_, reason(EBADF)};
    int error = 0;
    // A write that failed earlier left its bytes in the buffer: flushing them again gives the
    // reason (a full disk) that a writer through file() did not keep.
    const bool failedBefore = std::ferror(file_) != 0;
    std::clearerr(file_);
    errno = 0;
    if (std::fflush(file_) != 0 || failedBefore || error_)
        error = error_ ? error_ : errno ? errno : EIO;
    // The data must be on disk before the rename makes it the file, or a crash could leave an
    // empty file under the target's name.
    if (!error && !inPlace_ && ::fsync(::fileno(file_)) != 0) error = errno;
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (!error && closed != 0) error = errno;
    if (error) fail(error);
    finished_ = true;
}

void AtomicFile::commit() {
    finish();
    if (!temp_.empty() && std::rename(temp_.c_str(), target_.c_str()) != 0) fail(errno);
    forget();
    temp_.clear();
}

void AtomicFile::write(const std::vector<unsigned char>& bytes) {
    errno = 0;
    if (file_ && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() && !error_)
        error_ = errno ? errno : EIO;
}

void writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes) {
    AtomicFile file(path);
    file.write(bytes);
    file.commit();
}

}  // namespace spinlab

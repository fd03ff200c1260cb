#include "measure/atomicfile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace spinlab {

namespace {

std::string reason(int error) {
    return std::strerror(error);
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// A hidden name beside the target, unique to this process and call, so that two saves (or two
// sweep threads) never share one. It does not repeat the target's name: a name near the
// system's limit must still leave room for it.
std::string tempNameFor(const std::string& path, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    return folderOf(path) + ".spinlab." + std::to_string(::getpid()) + "." +
           std::to_string(counter++) + "." + std::to_string(attempt) + ".tmp";
}

// The file a chain of links ends at, whether or not it exists yet: saving through a link that
// points nowhere creates the file it names, as saving through any link writes its file. Empty
// for links that go round in a loop.
std::string followLinks(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096), '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n <= 0) return path;
        link.resize(static_cast<std::size_t>(n));
        path = link.front() == '/' ? link : folderOf(path).append(link);
    }
    return {};
}

// The descriptor behind /dev/stdout, /dev/fd/N and the like, or -1. Writing to a copy of it
// keeps its place in the file, so a picture sent there and a report after it both arrive.
int standardDescriptor(const std::string& path) {
    if (path == "/dev/stdout") return 1;
    if (path == "/dev/stderr") return 2;
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        const std::string_view rest = std::string_view(path).substr(
            path.starts_with(prefix) ? std::strlen(prefix) : path.size());
        if (rest.empty() || rest.size() > 4 ||
            rest.find_first_not_of("0123456789") != std::string_view::npos)
            continue;
        return std::atoi(std::string(rest).c_str());
    }
    return -1;
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

std::string WriteError::message() const {
    // A path of thousands of characters would bury the reason: its middle goes, and the file
    // name, the part a user recognises, stays.
    constexpr std::size_t kMax = 160, kName = 100;
    std::string shown = path;
    if (shown.size() > kMax) {
        auto boundary = [&](std::size_t at) {  // not inside a UTF-8 character
            while (at > 0 && at < shown.size() &&
                   (static_cast<unsigned char>(shown[at]) & 0xC0) == 0x80)
                --at;
            return at;
        };
        const std::size_t slash = shown.rfind('/');
        std::size_t tail = slash == std::string::npos ? 0 : slash;
        tail = boundary(std::max(tail, shown.size() - kName));
        const std::size_t head = boundary(kMax - (shown.size() - tail));
        shown = shown.substr(0, head) + "..." + shown.substr(tail);
    }
    return "cannot write " + shown + ": " + reason;
}

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
    if (path_.empty()) throw WriteError{path_, reason(ENOENT)};
    struct stat st {};
    if (path_.back() == '/') {
        // "sub/" names a folder: say whether it is missing or is one.
        throw WriteError{path_, reason(::stat(path_.c_str(), &st) != 0 ? errno
                                       : S_ISDIR(st.st_mode)           ? EISDIR
                                                                       : ENOTDIR)};
    }
    // The process's own descriptors are written in place, through the descriptor: renaming
    // over /dev/stdout would replace the file standard output goes to.
    const int standard = standardDescriptor(path_);
    inPlace_ = standard >= 0;
    const bool exists = ::stat(path_.c_str(), &st) == 0;
    if (exists) {
        if (S_ISDIR(st.st_mode)) throw WriteError{path_, reason(EISDIR)};
        inPlace_ = inPlace_ || !S_ISREG(st.st_mode);
        if (!inPlace_) {
            char* resolved = ::realpath(path_.c_str(), nullptr);
            if (resolved) target_ = resolved;
            std::free(resolved);
            // A file its owner made read-only is refused, as cp refuses it, even to root.
            if (::access(path_.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0)
                throw WriteError{path_, reason(EACCES)};
        }
    } else if (!inPlace_) {
        target_ = followLinks(path_);
        if (target_.empty()) throw WriteError{path_, reason(ELOOP)};
    }
    int fd = -1;
    if (inPlace_) {
        fd = standard >= 0 ? ::fcntl(standard, F_DUPFD_CLOEXEC, 3)
                           : ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
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
        // A file that exists keeps its mode, and its owner where the system lets us.
        if (fd >= 0 && exists) {
            if (::fchown(fd, st.st_uid, st.st_gid) != 0 &&
                ::fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
                // Another user's file, writable to us, becomes ours; its mode still holds.
            }
            if (::fchmod(fd, st.st_mode & 07777) != 0) {
                // The file still comes out whole, with a new file's mode.
            }
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

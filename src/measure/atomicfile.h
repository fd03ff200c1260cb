#pragma once
// Writes a file whole or not at all: the bytes go to a temporary file beside the target, which
// is flushed and renamed over it only when every write succeeded. A failure anywhere leaves the
// target as it was and removes the temporary file, so no truncated file is ever left behind.

#include <cstdio>
#include <string>
#include <vector>

namespace spinlab {

// A file could not be written; `reason` is the system's (strerror).
struct WriteError {
    std::string path;
    std::string reason;
    // "cannot write PATH: REASON", a long PATH cut in the middle.
    std::string message() const;
};

class AtomicFile {
public:
    // Creates the temporary file; throws WriteError naming `path` when that fails, `path` is
    // a folder or a read-only file. A target that is not a regular file (a device, a pipe) or
    // names a descriptor of this process (/dev/stdout, /dev/fd/N) is written in place, as renaming
    // over it would replace it; a link is followed, even one to a file not there yet, so the link
    // stays. A file replaced keeps its mode.
    explicit AtomicFile(std::string path);
    // Without a commit, the temporary file goes and the target stays untouched.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    std::FILE* file() const { return file_; }
    const std::string& path() const { return path_; }
    // Writes `bytes`; a failure, with its reason, is reported by finish().
    void write(const std::vector<unsigned char>& bytes);
    // Flushes, syncs and closes, leaving only the rename; throws WriteError on any failure.
    // Files that must appear together are all finished before any is committed.
    void finish();
    // Finishes, then renames over the target; throws WriteError on any failure.
    void commit();

private:
    void discard();
    [[noreturn]] void fail(int error);

    std::string path_;
    std::string target_;  // path_ with a final link resolved
    std::string temp_;
    std::FILE* file_ = nullptr;
    bool inPlace_ = false;
    bool finished_ = false;
    int error_ = 0;  // the first failed write's errno
};

// The whole of `bytes` as the file at `path`, atomically; throws WriteError.
void writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes);

}  // namespace spinlab

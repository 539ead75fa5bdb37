// The file primitives of the write journal on Windows. A file's "mode" is its attribute bits.
// A rename is durable when MoveFileExW returns (MOVEFILE_WRITE_THROUGH), so there is no folder to
// flush as on POSIX.

#include "platform/win32/WindowsApi.h"

#include "platform/AtomicFile.h"
#include "platform/Files.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace platform::detail {

namespace {

// The bits a file's mode holds; the rest (directory, compressed ...) are the system's.
constexpr DWORD ModeBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

TWriteResult Failed(const char* step, DWORD error) {
    return TWriteError{step, static_cast<int>(error)};
}

TWriteResult WriteAll(HANDLE file, const std::string& bytes, TWriteFault fault) {
    // A torn write: only part reaches the disk before the disk is full.
    const std::size_t limit = fault == TWriteFault::Write ? bytes.size() / 2 : bytes.size();
    std::size_t done = 0;
    while (done < limit) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(limit - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) {
            return Failed("write", GetLastError());
        }
        if (written == 0) {
            return Failed("write", ERROR_DISK_FULL);
        }
        done += written;
    }
    if (limit < bytes.size()) {
        return Failed("write", ERROR_DISK_FULL);
    }
    return std::nullopt;
}

} // namespace

std::string TWriteError::Reason() const {
    return win32::ErrorText(static_cast<DWORD>(Error));
}

TWriteResult WriteNewFile(const fs::path& file, const std::string& bytes, unsigned mode,
                          TWriteFault fault) {
    win32::THandle handle = win32::OwnHandle(CreateFileW(
        file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) {
        return Failed("create temporary file", GetLastError());
    }
    TWriteResult result = WriteAll(handle.get(), bytes, fault);
    if (!result && (fault == TWriteFault::Sync || !FlushFileBuffers(handle.get()))) {
        result = Failed("flush", fault == TWriteFault::Sync ? ERROR_WRITE_FAULT : GetLastError());
    }
    handle.reset();
    const DWORD attributes = mode & ModeBits;
    if (!result && attributes != 0 && !SetFileAttributesW(file.c_str(), attributes)) {
        result = Failed("set attributes", GetLastError());
    }
    if (result) {
        DeleteFileW(file.c_str());
    }
    return result;
}

TWriteResult RenameFile(const fs::path& from, const fs::path& to, TWriteFault fault) {
    if (fault == TWriteFault::Rename) {
        return Failed("rename", ERROR_WRITE_FAULT);
    }
    // Scanners and indexers hold files open for moments: a sharing conflict is tried again
    // for about half a second.
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return std::nullopt;
        }
        const DWORD error = GetLastError();
        if (attempt == 10 || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
                              error != ERROR_LOCK_VIOLATION)) {
            return Failed("rename", error);
        }
        Sleep(50);
    }
}

void SyncDirectory(const fs::path&) {}

unsigned ModeToKeep(const fs::path& file) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return FILE_ATTRIBUTE_ARCHIVE; // what a new file gets
    }
    return attributes & ModeBits;
}

TWriteResult MakeFolder(const fs::path& dir) {
    if (!CreateDirectoryW(dir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return Failed("create folder", GetLastError());
    }
    return std::nullopt;
}

bool RemoveEmptyFolder(const fs::path& dir) {
    return RemoveDirectoryW(dir.c_str()) != 0;
}

bool RemoveFile(const fs::path& file) {
    // Temporaries and backups may carry a read-only bit, which the journal's removal ignores,
    // as unlinking does on POSIX.
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetFileAttributesW(file.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    return DeleteFileW(file.c_str()) != 0;
}

bool LinkFile(const fs::path& file, const fs::path& link) {
    return CreateHardLinkW(link.c_str(), file.c_str(), nullptr) != 0;
}

TWriteResult SetFileMode(const fs::path& file, unsigned mode) {
    const DWORD attributes = (mode & ModeBits) == 0 ? FILE_ATTRIBUTE_NORMAL : mode & ModeBits;
    if (!SetFileAttributesW(file.c_str(), attributes)) {
        return Failed("set attributes", GetLastError());
    }
    return std::nullopt;
}

bool IsRegularFile(const fs::path& file) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

TWriteError LastHostError(const char* step) {
    return TWriteError{step, static_cast<int>(GetLastError())};
}

bool IsOtherVolume(const TWriteError& error) {
    return error.Error == ERROR_NOT_SAME_DEVICE;
}

void KillThisProcess() {
    TerminateProcess(GetCurrentProcess(), 137);
    ExitProcess(137);
}

} // namespace platform::detail

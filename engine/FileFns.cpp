#include "FileFns.h"

#include "Errors.h"

#include <atomic>
#include <cstdint>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillon {

std::string CannotOpenMessage(const std::string& path, int error)
{
    return "Cannot open file \"" + path + "\". " + std::strerror(error) + ".";
}

std::string CannotWriteMessage(const std::string& path, int error)
{
    return "Cannot write file \"" + path + "\". " + std::strerror(error) + ".";
}

std::string FileTooLargeMessage(const std::string& path)
{
    return "Cannot open file \"" + path + "\". The file is larger than " +
           std::to_string(MaxReadFileSize / (1024 * 1024)) + " MiB.";
}

std::string ReadFileBytes(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw EQuillonError(CannotOpenMessage(path, errno));
#ifndef _WIN32
    // A regular file says its size; refuse it before reading anything.
    struct stat st {};
    if (::fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) &&
        static_cast<std::uintmax_t>(st.st_size) > MaxReadFileSize) {
        std::fclose(f);
        throw EQuillonError(FileTooLargeMessage(path));
    }
#endif
    // Devices and pipes do not: stop one byte past the bound.
    std::string data;
    char buf[65536];
    std::size_t n;
    while (data.size() <= MaxReadFileSize && (n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
    int err = std::ferror(f) ? errno : 0;
    std::fclose(f);
    if (!err && data.size() > MaxReadFileSize) throw EQuillonError(FileTooLargeMessage(path));
    if (err) throw EQuillonError(CannotOpenMessage(path, err ? err : EIO));
    // A directory opens on some systems but reads as an error or nothing.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw EQuillonError(CannotOpenMessage(path, EISDIR));
    return data;
}

std::string ReadFileHead(const std::string& path, std::size_t count)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw EQuillonError(CannotOpenMessage(path, errno));
    std::string head(count, '\0');
    head.resize(std::fread(head.data(), 1, count, f));
    std::fclose(f);
    return head;
}

namespace {

// The file a save through Path replaces: a symbolic link stays a link and its
// target takes the data.
std::string LinkTarget(const std::string& path)
{
    std::filesystem::path file = path;
    std::error_code ec;
    // A bound on the chain, as the system has for loops of links.
    for (int depth = 0; depth < 40 && std::filesystem::is_symlink(std::filesystem::symlink_status(file, ec)); ++depth) {
        const std::filesystem::path target = std::filesystem::read_symlink(file, ec);
        if (ec) break;
        file = target.is_absolute() ? target : file.parent_path() / target;
    }
    return file.string();
}

} // namespace

TAtomicFile::TAtomicFile(std::string path) : FPath(std::move(path)), FTarget(LinkTarget(FPath))
{
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    for (int attempt = 0; attempt < 100 && !FHandle; ++attempt) {
        FTempPath = FTarget + ".tmp" + std::to_string(rd() % 1000000u) + "-" + std::to_string(counter++);
        // "x": fail if it exists, so two writers never share a temporary file.
        FHandle = std::fopen(FTempPath.c_str(), "wbx");
        if (!FHandle && errno != EEXIST) break;
    }
    if (!FHandle) throw EQuillonError(CannotWriteMessage(FPath, errno));
}

TAtomicFile::~TAtomicFile()
{
    if (FHandle) std::fclose(FHandle);
    if (!FCommitted) std::remove(FTempPath.c_str());
}

void TAtomicFile::Commit()
{
    int err = 0;
    if (std::fflush(FHandle) != 0 || std::ferror(FHandle)) err = errno ? errno : EIO;
#ifndef _WIN32
    if (!err && ::fsync(fileno(FHandle)) != 0 && errno != EINVAL) err = errno;
#endif
    if (std::fclose(FHandle) != 0 && !err) err = errno ? errno : EIO;
    FHandle = nullptr;
    if (err) throw EQuillonError(CannotWriteMessage(FPath, err));
#ifndef _WIN32
    // Keep the permissions of a file we replace; a new file gets the usual ones.
    struct stat st {};
    if (::stat(FTarget.c_str(), &st) == 0) ::chmod(FTempPath.c_str(), st.st_mode & 07777);
    else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(FTempPath.c_str(), 0666 & ~mask);
    }
#endif
    std::error_code ec;
    std::filesystem::rename(FTempPath, FTarget, ec);
    if (ec) throw EQuillonError(CannotWriteMessage(FPath, ec.value()));
    FCommitted = true;
}

void WriteFileAtomic(const std::string& path, std::string_view bytes)
{
    TAtomicFile file(path);
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file.Handle()) != bytes.size())
        throw EQuillonError(CannotWriteMessage(path, errno ? errno : EIO));
    file.Commit();
}

} // namespace quillon

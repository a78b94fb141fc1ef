#pragma once
// Whole-file reading and crash-safe writing. A save never leaves a partial file
// behind and never damages the previous file: the data goes to a temporary file
// beside the target, which is renamed over the target only when it is complete.
#include <cstdio>
#include <string>
#include <string_view>

namespace quillon {

// Files the program reads whole (scenery files, color maps, palettes, the
// settings store) are far smaller than this; anything larger, or a stream that
// does not end, is refused before it can take the memory.
inline constexpr std::size_t MaxReadFileSize = 16u * 1024 * 1024;

// Reads a whole file; fails with "Cannot open file "<path>". <reason>", also
// when it holds more than MaxReadFileSize bytes.
std::string ReadFileBytes(const std::string& path);

// The message for a file refused by MaxReadFileSize.
std::string FileTooLargeMessage(const std::string& path);

// Reads at most Count bytes from the start of a file (to tell its kind); fails
// as ReadFileBytes does.
std::string ReadFileHead(const std::string& path, std::size_t count);

// Writes Bytes to Path through a temporary file and a rename.
void WriteFileAtomic(const std::string& path, std::string_view bytes);

// A temporary file beside Path, for writers that need a FILE*. Commit flushes,
// closes and renames it over Path; destroying it uncommitted removes it. When
// Path is a symbolic link, its target is written (beside it, then renamed)
// and the link stays.
class TAtomicFile {
public:
    explicit TAtomicFile(std::string path);
    ~TAtomicFile();
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    std::FILE* Handle() const { return FHandle; }
    const std::string& Path() const { return FPath; }
    const std::string& TempPath() const { return FTempPath; }
    // Fails with "Cannot write file "<path>". <reason>" when anything went wrong.
    void Commit();

private:
    std::string FPath;
    std::string FTarget; // Path, or the file its symbolic links lead to
    std::string FTempPath;
    std::FILE* FHandle = nullptr;
    bool FCommitted = false;
};

// The messages used for file failures, so every module words them alike.
std::string CannotOpenMessage(const std::string& path, int error);
std::string CannotWriteMessage(const std::string& path, int error);

} // namespace quillon

#pragma once
// Running quillon-render, or any program, as a separate process in a folder.
#include <filesystem>
#include <string>
#include <vector>

namespace quillon {

struct TRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

// Runs Program with Args in Dir with standard output and error in files, or
// with standard error on a pseudo terminal when Terminal is set.
TRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::filesystem::path& dir,
                bool terminal = false);

// The renderer under test.
TRun RunRender(const std::vector<std::string>& args, const std::filesystem::path& dir, bool terminal = false);

// Starts the renderer in Dir with its output discarded; WaitRender gives its
// exit status (-1 when a signal ended it).
int StartRender(const std::vector<std::string>& args, const std::filesystem::path& dir);
int WaitRender(int pid);

} // namespace quillon

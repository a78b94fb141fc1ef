#include "RenderProcess.h"

#include "engine/FileFns.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillon {

TRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::filesystem::path& dir,
                bool terminal)
{
    const std::string outPath = (dir / ".stdout").string(), errPath = (dir / ".stderr").string();
    int master = -1, slave = -1;
    if (terminal && ::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(126);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = terminal ? slave : ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(program.c_str(), argv.data());
        ::_exit(127);
    }
    TRun run;
    if (terminal) {
        ::close(slave);
        std::string text;
        char buf[4096];
        // Reading the master fails with EIO once the child has closed its side.
        for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
        ::close(master);
        run.Err = text;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Out = ReadFileBytes(outPath);
    if (!terminal) run.Err = ReadFileBytes(errPath);
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return run;
}

int StartRender(const std::vector<std::string>& args, const std::filesystem::path& dir)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (::chdir(dir.c_str()) != 0) ::_exit(126);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        std::vector<char*> argv{const_cast<char*>(QUILLON_RENDER)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(QUILLON_RENDER, argv.data());
        ::_exit(127);
    }
    return pid;
}

int WaitRender(int pid)
{
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TRun RunRender(const std::vector<std::string>& args, const std::filesystem::path& dir, bool terminal)
{
    return RunProgram(QUILLON_RENDER, args, dir, terminal);
}

} // namespace quillon

#pragma once
// Another program run to its end, measured from outside as a user would see it:
// from the fork until the process has ended, its peak resident memory and CPU
// time as the kernel counted them.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace zalvert::bench {

struct TProcessRun {
    double Seconds = 0;
    long PeakBytes = 0;  // the kernel's high-water mark of the resident memory
    double CpuSeconds = 0;
    bool Succeeded = false;  // ended by itself with exit code 0
};

struct TProcessCommand {
    std::vector<std::string> Arguments;  // the program first
    std::vector<std::pair<std::string, std::string>> Environment;
    std::string Input = "/dev/null";   // its standard input
    std::string Errors = "/dev/null";  // its standard error (toolkit notes)
};

inline TProcessRun RunProcess(const TProcessCommand& command) {
    std::vector<char*> argv;
    for (const std::string& argument : command.Arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        for (const auto& [name, value] : command.Environment)
            setenv(name.c_str(), value.c_str(), 1);
        const int in = open(command.Input.c_str(), O_RDONLY);
        const int err = open(command.Errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || err < 0 || dup2(in, 0) < 0 || dup2(err, 2) < 0) _exit(126);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    TProcessRun run;
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return run;
    run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.PeakBytes = usage.ru_maxrss * 1024L;
    run.CpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    run.Succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

}  // namespace zalvert::bench

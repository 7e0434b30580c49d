#include "support/ChildProcess.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace testsupport {
namespace {

std::string SelfPath() {
    char path[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

}  // namespace

Child_t StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const Environment_t& environment, bool asNobody) {
    std::vector<std::string> argv;
    if (asNobody) {
        argv = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"};
    }
    argv.push_back(program);
    argv.insert(argv.end(), arguments.begin(), arguments.end());

    std::vector<std::string> envp;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        bool replaced = false;
        for (const auto& [name, value] : environment) {
            replaced = replaced || text.rfind(name + "=", 0) == 0;
        }
        if (!replaced) {
            envp.push_back(text);
        }
    }
    for (const auto& [name, value] : environment) {
        envp.push_back(name + "=" + value);
    }

    std::vector<char*> argvPointers;
    for (std::string& argument : argv) {
        argvPointers.push_back(argument.data());
    }
    argvPointers.push_back(nullptr);
    std::vector<char*> envPointers;
    for (std::string& entry : envp) {
        envPointers.push_back(entry.data());
    }
    envPointers.push_back(nullptr);

    Child_t child;
    pid_t pid = -1;
    if (posix_spawnp(&pid, argvPointers[0], nullptr, nullptr, argvPointers.data(),
                     envPointers.data()) == 0) {
        child.pid = pid;
    }
    return child;
}

Child_t StartSelf(const std::string& testFilter, const Environment_t& environment, bool asNobody) {
    return StartProgram(SelfPath(),
                        {"--gtest_filter=" + testFilter, "--gtest_also_run_disabled_tests"},
                        environment, asNobody);
}

int Wait(Child_t child) {
    if (child.pid <= 0) {
        return -1;
    }
    int status = 0;
    while (waitpid(child.pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool CanRunAsNobody() {
    return geteuid() == 0 && access("/usr/bin/setpriv", X_OK) == 0;
}

}  // namespace testsupport

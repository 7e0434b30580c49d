// Runs a copy of the running test program (or another program) as a child
// process, optionally as the unprivileged user "nobody", and waits for it.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

using Environment_t = std::vector<std::pair<std::string, std::string>>;

struct Child_t {
    int pid = -1;
};

// Starts the program with the arguments, adding the variables to this
// process's environment. asNobody runs it through setpriv as nobody/nogroup
// (only root may do that).
Child_t StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const Environment_t& environment, bool asNobody = false);
// Starts this test program with a GoogleTest filter; DISABLED_ tests may be
// named, they are run.
Child_t StartSelf(const std::string& testFilter, const Environment_t& environment,
                  bool asNobody = false);
// Waits for the child; its exit code, or -1 when it did not exit normally.
int Wait(Child_t child);

// True when the process may switch to nobody for a test.
bool CanRunAsNobody();

}  // namespace testsupport

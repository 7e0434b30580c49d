#include "pal/PAL_Locations.h"

#include <unistd.h>

#include <cstdlib>

namespace pal {
namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string SystemTemp() {
    const std::string tmp = Env("TMPDIR");
    return tmp.empty() ? std::string("/tmp") : WithoutTrailingSlash(tmp);
}

}  // namespace

Locations_t CurrentLocations() {
    const std::string root = WithoutTrailingSlash(Env("QUORVEL_ROOT"));
    if (!root.empty()) {
        return {root, root, root + "/tmp"};
    }
    if (geteuid() == 0) {
        return {"/var/lib/quorvel", "/run/quorvel", SystemTemp()};
    }
    std::string state = Env("XDG_STATE_HOME");
    if (state.empty()) {
        const std::string home = Env("HOME");
        state = (home.empty() ? SystemTemp() : home) + "/.local/state";
    }
    std::string runtime = Env("XDG_RUNTIME_DIR");
    if (runtime.empty()) {
        runtime = SystemTemp() + "/quorvel-" + std::to_string(getuid());
    } else {
        runtime = WithoutTrailingSlash(runtime) + "/quorvel";
    }
    return {WithoutTrailingSlash(state) + "/quorvel", runtime, SystemTemp()};
}

std::string RegistryFilePath() {
    return CurrentLocations().stateDirectory + "/registry.db";
}
std::string PortsDirectory() {
    return CurrentLocations().runtimeDirectory + "/ports";
}
std::string ControlSocketPath() {
    return CurrentLocations().runtimeDirectory + "/vspd.sock";
}

}  // namespace pal

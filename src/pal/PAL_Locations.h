// Where Quorvel keeps its state. QUORVEL_ROOT relocates everything; without
// it, system paths for root and the user's XDG directories otherwise.
#pragma once

#include <string>

namespace pal {

struct Locations_t {
    std::string stateDirectory;    // holds the registry file
    std::string runtimeDirectory;  // holds the ports directory and the control socket
    std::string tempDirectory;     // the system temporary directory we report
};

// Read from the environment at each call, so tests may switch roots.
Locations_t CurrentLocations();

std::string RegistryFilePath();   // <state>/registry.db
std::string PortsDirectory();     // <runtime>/ports
std::string ControlSocketPath();  // <runtime>/vspd.sock

}  // namespace pal

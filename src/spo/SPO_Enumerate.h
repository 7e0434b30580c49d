// The names of serial ports that may exist on the machine, from several
// places: COM1 to COM8, the system's serial-port map in the registry, the
// machine's own serial devices, and the names listed under the maker's key.
#pragma once

#include <string>
#include <vector>

namespace spo {

using PortNames_t = std::vector<std::string>;

// Sorted without regard to case; never fails (a source that cannot be read
// adds what it found before the failure).
PortNames_t EnumerateSerialPorts();

// The sorted union of two sorted lists; names equal without regard to case
// are taken once, in the form the first list holds.
PortNames_t MergePortNames(const PortNames_t& sorted, const PortNames_t& more);

// Where the device source looks for <root>/class/tty/*/device ("/sys").
void SetSysfsRoot(const std::string& root);
// The version record is read once and remembered; tests that present
// another record make it be read again.
void ForgetSystemVersion();

}  // namespace spo

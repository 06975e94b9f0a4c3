#pragma once
// COM names ("COM3", "\\.\COM3") to Linux devices. A port named COMn is the
// device linked as <data directory>/ports/COMn when that link exists;
// otherwise the serial devices under /dev are numbered in order (ttyS*,
// then ttyUSB*, then ttyACM*, each family up to its first gap), skipping
// the numbers that links already take.
#include <map>
#include <string>

namespace plyx::platform::serial {

// Where the mapping looks. Tests point these at folders of their own.
struct PortPaths {
    std::string dataDirectory;  // holds ports/COMn links; empty = none
    std::string devRoot = "/dev";
    std::string sysRoot = "/sys";
};

// The data directory the program uses when it is given none:
// $PLYX3_DOCUMENTS_DIR/PLYX3, else $HOME/Documents/PLYX3.
std::string DefaultDataDirectory();
PortPaths DefaultPortPaths();

// The number after the first "COM" of a port name (case-sensitive, leading
// digits only); -1 when there is no "COM" or no digit after it.
int ComNumberOf(const std::string& portName);

// Every COM number that maps to a device, with the device path.
std::map<int, std::string> ComPortTable(const PortPaths& paths);

// Device path of a port name; empty when the name maps to nothing.
std::string DeviceForPortName(const std::string& portName, const PortPaths& paths);

// COM number a device maps to (links compared by their resolved target);
// -1 when none.
int ComNumberOfDevice(const std::string& devicePath, const PortPaths& paths);

}  // namespace plyx::platform::serial

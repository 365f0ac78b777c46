#pragma once

#include <QString>

// COM1..COM8 on Linux: COMn opens the target of the link "comn" in the ports
// folder ($COMPORTS_DIR, else ~/.config/comports). Without such a link COMn
// means /dev/ttyS<n-1>.
namespace PortNames {
QString portsFolder();
QString devicePathFor(int comNumber);
}  // namespace PortNames

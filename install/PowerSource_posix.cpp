#include "install/FlashGate.h"

namespace install {

// The native build flashes nothing; its tests give the gate a power source
// of their own.
PowerSource SystemPowerSource() { return PowerSource::Unknown; }

}  // namespace install

#include "update/FlashGate.h"

namespace update {

// The native build flashes nothing; its tests give the gate a power source
// of their own.
PowerSource SystemPowerSource() { return PowerSource::Unknown; }

}  // namespace update

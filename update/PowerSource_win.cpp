#include <windows.h>

#include <cstring>

#include "Deployment.h"
#include "update/FlashGate.h"

namespace update {
namespace {

constexpr BYTE kAcLineOffline = 0;

// The test seam: the power source the environment names, for the test and
// demo builds only. False when it names none.
bool TestPowerSource(PowerSource& source) {
  if (!deployment::testSwitches) return false;
  char value[16];
  const DWORD length = GetEnvironmentVariableA("VORN_TEST_POWER", value, sizeof value);
  if (length == 0 || length >= sizeof value) return false;
  if (std::strcmp(value, "battery") == 0) source = PowerSource::Battery;
  else if (std::strcmp(value, "mains") == 0) source = PowerSource::Mains;
  else source = PowerSource::Unknown;
  return true;
}

}  // namespace

PowerSource SystemPowerSource() {
  PowerSource source = PowerSource::Unknown;
  if (TestPowerSource(source)) return source;
  SYSTEM_POWER_STATUS status{};
  // NT 4.0 exports the function but has no power management: the call fails.
  if (!GetSystemPowerStatus(&status)) return PowerSource::Unknown;
  if (status.ACLineStatus == kAcLineOffline) return PowerSource::Battery;
  return status.ACLineStatus == 1 ? PowerSource::Mains : PowerSource::Unknown;
}

}  // namespace update

// The program's static objects, in one translation unit so that their order
// of construction is the order of definition. The application object must be
// defined above the transport in this file: the transport's construction
// scans the drives, after the application object exists; what the scan met
// is shown when the application starts (WizardApp::InitInstance).
#include "app/WizardApp.h"
#include "scsi/ScsiTransport.h"

namespace app {
WizardApp theApp;
}  // namespace app
ScsiTransport theTransport;

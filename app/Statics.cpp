// The program's static objects, in one translation unit so that their order
// of construction is the order of definition: the application object, then
// the transport, which picks its back end; the application looks for the
// drives when it starts (WizardApp::InitInstance).
#include "app/WizardApp.h"
#include "scsi/ScsiTransport.h"

namespace app {
WizardApp theApp;
}  // namespace app
scsi::ScsiTransport scsi::theTransport;

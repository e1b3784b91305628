// The program's static objects, in one translation unit so that their order
// of construction is the order of definition. The application object must be
// defined above the transport in this file: the transport's construction
// scans the drives and may show a message box, after the application object
// exists.
#include "app/WizardApp.h"
#include "scsi/ScsiTransport.h"

WizardApp theApp;
ScsiTransport theTransport;

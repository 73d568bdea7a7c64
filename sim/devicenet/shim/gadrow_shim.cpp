// The stand-in for the Gadrow driver library.
#define SIM_FAMILY Gadrow
#define SIM_TOTAL TotalGadrowModule
#define SIM_ACTIVE ActiveModule
#define SIM_CLOSE CloseModule
#define SIM_PORTS 0
#define SIM_HAS_W 1
#define SIM_HAS_GETBOARDINF 0
#define SIM_HAS_CHECKFIRMWAREMODE 0
#define SIM_HAS_EXPLICIT 1
#define SIM_HAS_DOWNLOADMODE 0
#define SIM_HAS_DEBUGWND 0
#include "family_shim.inc"

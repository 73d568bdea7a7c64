// The stand-in for the Merrow driver library.
#define SIM_FAMILY Merrow
#define SIM_TOTAL TotalMerrowModule
#define SIM_ACTIVE ActiveModule
#define SIM_CLOSE CloseModule
#define SIM_PORTS 0
#define SIM_HAS_W 1
#define SIM_HAS_GETBOARDINF 0
#define SIM_HAS_CHECKFIRMWAREMODE 0
#define SIM_HAS_EXPLICIT 0
#define SIM_HAS_DOWNLOADMODE 1
#define SIM_HAS_DEBUGWND 1
#include "family_shim.inc"

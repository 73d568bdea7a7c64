// The stand-in for the Tolquin driver library.
#define SIM_FAMILY Tolquin
#define SIM_TOTAL TotalTolquinBoard
#define SIM_ACTIVE Active
#define SIM_CLOSE Close
#define SIM_PORTS 1
#define SIM_HAS_W 0
#define SIM_HAS_GETBOARDINF 1
#define SIM_HAS_CHECKFIRMWAREMODE 0
#define SIM_HAS_EXPLICIT 0
#define SIM_HAS_DOWNLOADMODE 0
#define SIM_HAS_DEBUGWND 0
#include "family_shim.inc"

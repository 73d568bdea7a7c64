// The stand-in for the Calvory driver library.
#define SIM_FAMILY Calvory
#define SIM_TOTAL TotalCalvoryBoard
#define SIM_ACTIVE ActiveBoard
#define SIM_CLOSE CloseBoard
#define SIM_PORTS 0
#define SIM_HAS_W 1
#define SIM_HAS_GETBOARDINF 1
#define SIM_HAS_CHECKFIRMWAREMODE 1
#define SIM_HAS_EXPLICIT 1
#define SIM_HAS_DOWNLOADMODE 0
#define SIM_HAS_DEBUGWND 1
#include "family_shim.inc"

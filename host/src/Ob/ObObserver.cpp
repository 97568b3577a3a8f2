// Observers and subjects are templates; this unit checks that the header stands on its own.
#include <Vx/Ob/ObObserver.h>

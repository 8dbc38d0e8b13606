// Drawing operations that are part of the interface but do nothing; they
// live with the storage so that layers which call them need not link the
// drawing code.
#include "velmora/newdibobject.h"

int CNewDIBObject::ScrollDIB(HDC, int, int) { return 1; }

void CNewDIBObject::RefreshFactor() {}

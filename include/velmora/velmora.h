// Velmora: the umbrella header.
#pragma once

#include "velmora/wintypes.h"
#include "velmora/cstring.h"
#include "velmora/carray.h"
#include "velmora/cfile.h"
#include "velmora/application.h"
#include "velmora/system.h"
#include "velmora/messages.h"
#include "velmora/environment.h"
#include "velmora/newdibobject.h"
#include "velmora/newdib.h"
#include "velmora/dibfile.h"
#include "velmora/geotiff.h"
#include "velmora/gif.h"
#include "velmora/devicecontext.h"
#include "velmora/encoding.h"
#include "velmora/version.h"

#pragma once
// The text helpers live in the lowest layer, base/text.h; this spelling is kept
// for the layers above the host.
#include "base/text.h"

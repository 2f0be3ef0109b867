#pragma once
// The IP library table is shared with the panel, which checks a download with it.
#include "common/ip_vector.h"

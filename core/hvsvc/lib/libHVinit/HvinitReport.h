// How libHVinit reports: pxm_err with the caller's source location.
#pragma once

#include "qdberr.h"

#define HVI_REPORT(severity, id, ...) pxm_err((severity), (id), __FILE__, __LINE__, 0, 0, __VA_ARGS__)

#pragma once
// Where extracted files go (the DefaultDest setting). The values are also the
// ids of the settings dialog's option buttons, so they live with those ids.
#include <cstdint>

#include "common/resource_ids.h"

enum Destination : uint32_t {
    DestNextToPackage = IDC_DEST_PACKAGE,
    DestAskOncePerRun = IDC_DEST_ASK,
    DestFixedFolder = IDC_DEST_FIXED,
};

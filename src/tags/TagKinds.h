#pragma once

// Tag kinds bit set.
enum : int {
    tkId3v1 = 1,
    tkId3v2 = 2,
    tkApeV2 = 4,
    tkVorbis = 8,
    tkAllSupported = -1,
    tkAllRemoved = 31,
};

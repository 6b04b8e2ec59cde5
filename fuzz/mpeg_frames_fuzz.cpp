// MPEG audio frame search and the frame table, without decoding.
#include "FuzzTarget.h"

#include "io/SonvaleError.h"
#include "mpeg/FrameLoader.h"

SONVALE_FUZZ_TARGET(mpeg_frames) {
    try {
        TFrameLoader loader(FuzzFile("mp3", data, size), false);
        loader.Scan(false);
        for (int i = 0; i < loader.FrameCount && i < 64; ++i) {
            if (!loader.LoadFrame(i)) break;
            (void)loader.GetBits(25);
        }
    } catch (const ESonvaleError&) {
    }
}

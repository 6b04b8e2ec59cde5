#pragma once

#include "audio/AsfReader.h"

#include <cstdint>

class TWFileStream;

// Sample frames the WMA v1/v2 decoder delivers for the one audio stream of an ASF
// file, told from the data packets alone: the media objects they carry, the
// superframes in those and, with the bit reservoir, each superframe's frame count.
// -1 whenever that cannot be told for certain (another codec, several streams,
// packets that are damaged, scrambled or do not fit together): the caller decodes.
int64_t CountWmaSampleFrames(TWFileStream& file, const TAsfHeader& header);

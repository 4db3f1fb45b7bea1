#pragma once
// The run-length block coder of San Andreas texture records. A stream is a key word
// (keychar in the low byte) followed by records: a run record (keychar, count, one block)
// stands for the block repeated count times; any other record is one literal block;
// a final short record is the tail of data whose length is not a multiple of the stride.
#include "raster/RasterFormat.h"

#include <cstdint>

namespace GTA {

// Block size b of a raster format (the stride is b raised to 4); 0 for formats that have
// no block size.
uint32_t BlockSize(int format);

// Unpacks stream into out. Returns capacity when the whole stream was consumed (whatever
// was written), fewer bytes when a record did not fit or the stream ends inside a
// record: any result other than the expected raster size is a failure. Never reads past
// streamLength bytes or writes past capacity.
uint32_t UnpackData(const uint8_t* stream, uint8_t* out, uint32_t streamLength, uint32_t capacity,
                    uint32_t blockSize);

// Packs data into out; returns the stream length, or 0 when the data is not worth packing
// or cannot be packed (the caller then stores it as it is). Never writes past capacity.
uint32_t PackData(const uint8_t* data, uint8_t* out, uint32_t length, uint32_t capacity,
                  uint32_t blockSize);

} // namespace GTA

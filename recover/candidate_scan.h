// Finding candidate records: every record-shaped set of bytes that no record in use claims.
//
// In each data block: the start of every free record (its free view, then what the record
// kept), record-shaped bytes inside free areas (records merged into a free area in front of
// them keep their whole header, numbers included) and in dead gap; then the records in use
// that no key refers to (orphans) and the records of key nodes no link reaches (lost keys).
// Each free record also gets its place on the block's free list (the newest first), and the
// block's free list is read for traces of space used again since (a free area whose start
// reads as no record: the rest of an area an allocation split).
#pragma once

#include "recover/scene.h"

namespace quarvex::recover::detail {

void ScanDataBlocks(Scene& scene);
void TakeOrphansAndLostKeys(Scene& scene);
// Reads the name and values of the record whose header starts at c.at, within c.regionEnd.
void ReadBody(ImageReader& in, Candidate& c);

}  // namespace quarvex::recover::detail

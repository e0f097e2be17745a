// Record buffers handed to the services: movable, zero-filled global memory,
// locked while in use, as the services' older releases expect.
#ifndef DIALKIT_RECORD_BLOCK_H
#define DIALKIT_RECORD_BLOCK_H

#include <windows.h>

// The locked block, or nullptr when no memory could be had.
void *NewRecordBlock(DWORD size);

// Unlocks and frees a block from NewRecordBlock; nullptr is ignored.
void FreeRecordBlock(void *block);

#endif

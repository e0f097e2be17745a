#include "record_block.h"

void *NewRecordBlock(DWORD size)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!memory)
        return nullptr;
    void *block = GlobalLock(memory);
    if (!block)
        GlobalFree(memory);
    return block;
}

void FreeRecordBlock(void *block)
{
    if (!block)
        return;
    HGLOBAL memory = GlobalHandle(block);
    GlobalUnlock(memory);
    GlobalFree(memory);
}

#pragma once
// Hands the heap's free pages back to the system. After a big list is
// emptied the allocator keeps its pages for the next allocation; this makes
// the process's resident size drop to what it really uses.

void ReleaseFreeMemory();

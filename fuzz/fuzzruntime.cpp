// Run-time settings every fuzz target shares: AddressSanitizer options (ASAN_OPTIONS still
// overrides them) and the system calls routed away from the product code at link time.

// An input allocates a few kilobytes to a few megabytes and frees it all before the next one,
// so a small quarantine still holds everything one input freed, which is where a use after
// free would be caught; the default 256 MB made every allocation land on memory not touched
// for a long time, and page faults were a fifth of some targets' time. Filling fresh blocks
// with a pattern shows nothing here (reading memory never written is not what ASan finds) and
// cost as much again for the 4 KB buffer of every stdio file opened.
//
// No stack is recorded for an allocation: unwinding and storing one for every block was a tenth
// of the time of the targets that allocate per line. A report still names the access and its
// stack; to see where a block came from, run the target on the kept input again with
// ASAN_OPTIONS=malloc_context_size=30.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=4:thread_local_quarantine_size_kb=256:max_malloc_fill_size=0:malloc_context_size=0";
}

// Flushing to the disk and locking against other processes, routed here at link time for the
// product's code: the targets' files live on a memory file system, where a flush has nothing to
// do, and one fuzzer process has no one to lock against; each was a system call per input
// that cost as much as the parsing it guarded.
extern "C" int __wrap_fsync(int)
{
    return 0;
}

extern "C" int __wrap_fdatasync(int)
{
    return 0;
}

extern "C" int __wrap_flock(int, int)
{
    return 0;
}

// The benchmarks of the text, Base64, conversion, header and cookie routines. Before measuring,
// the cookie routines are held to their rules as written; the outcome goes into the run's
// context, where bench/table.py reads it.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdio>

#include "bench/reference.h"
#include "bench/register.h"

int main(int argc, char** argv) {
    // Freed memory stays with the process: a fresh mapping for every 64 MiB result would measure
    // this machine's page faults (several microseconds each in a virtual machine), not the
    // routines, and the smaller sizes reuse their memory anyway.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, -1);
    // glibc leaves small freed blocks unmerged until a large block is freed, then walks them all
    // again: after the 100,000 nodes of a cookie routine's set, or the millions of pieces of a
    // 64 MiB split, that walk runs far out of the cache and would be measured as the routine's
    // growth. Windows' heap does no such thing; merged at once here.
    mallopt(M_MXFAST, 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    bool identical = false;
    const std::string checks = CheckAgainstReferences(identical);
    std::fprintf(stderr, "%s\n", checks.c_str());
    benchmark::AddCustomContext("reference_checks", checks);
    benchmark::AddCustomContext("reference_identical", identical ? "yes" : "no");

    RegisterTextBenchmarks();
    RegisterHttpBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return identical ? 0 : 1;
}

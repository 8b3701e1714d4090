// The benchmarks start as the program does: the local zone named once.
#include "platform/TimeUtil.h"

#include <benchmark/benchmark.h>

int main(int argc, char** argv) {
    pit::PinLocalTimeZone();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

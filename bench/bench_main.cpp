// Runs every registered benchmark with OpenCV held to one thread, so that each peer figure is
// single-threaded like the library's routines.
#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>

int main(int argc, char** argv) {
    cv::setNumThreads(1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

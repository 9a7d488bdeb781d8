#pragma once
// The harness protocol (see the shared bench-peers README): parses the command line the
// driver gives, runs the workload over the port and prints READY and the RESULT line.
#include "bench/bench_port.h"

namespace nimbrel_bench {

// The process exit code: 0 on success.
int RunPeer(int argc, char** argv, BenchPort& port);

}  // namespace nimbrel_bench

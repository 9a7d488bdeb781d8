#include "bench/workloads.h"

#include <chrono>
#include <string>
#include <vector>

#include "bench/message_waiter.h"
#include "bench_common.h"  // the harness's helpers: protocol, checksum, statistics

namespace nimbrel_bench {

namespace {

using Clock = MessageWaiter::Clock;

constexpr auto kThroughputTimeout = std::chrono::seconds(60);
constexpr auto kReplyTimeout = std::chrono::seconds(5);

int Fail(const std::string& why) {
  bench::result_fail(why.c_str());
  return 1;
}

// Received bytes as the workloads want them: appended to a text, or checksummed.
struct Sink {
  std::string text;
  bench::Checksum sum;
  uint64_t batches = 0, firstNs = 0, lastNs = 0;
  bool checksumOnly = false;

  void Take(const uint8_t* data, size_t size) {
    if (batches++ == 0) firstNs = bench::now_ns();
    if (checksumOnly) {
      sum.add(data, size);
    } else {
      text.append(reinterpret_cast<const char*>(data), size);
    }
    lastNs = bench::now_ns();
  }
};

// "reads" counts the component's deliveries of received bytes (avail events).
int Throughput(const bench::Args& a, Sink& sink, MessageWaiter& waiter) {
  sink.checksumOnly = true;
  const uint64_t cpu0 = bench::cpu_us();
  bench::say_ready();
  if (!waiter.PumpUntil([&] { return sink.sum.count >= a.nbytes; }, Clock::now() + kThroughputTimeout)) {
    return Fail("timeout");
  }
  bench::print_throughput(sink.sum, sink.firstNs, sink.lastNs, sink.batches, cpu0);
  return 0;
}

// rtt: echo of a message whose bytes change every iteration; poll: request and 150-byte reply.
int RoundTrips(const bench::Args& a, BenchPort& port, Sink& sink, MessageWaiter& waiter) {
  const bool rtt = a.mode == "rtt";
  const std::string& reply = bench::poll_reply();
  std::string message(rtt ? a.msglen : 0, '\0');
  std::vector<uint64_t> samples;
  samples.reserve(a.iters);
  uint64_t bad = 0;
  const auto complete = [&] {
    if (rtt) return sink.text.size() >= message.size();
    return sink.text.size() >= 2 && sink.text.compare(sink.text.size() - 2, 2, "\r\n") == 0;
  };
  bench::say_ready();
  const uint64_t cpu0 = bench::cpu_us();
  for (unsigned k = 0; k < a.warmup + a.iters; ++k) {
    for (size_t j = 0; j < message.size(); ++j) message[j] = static_cast<char>(bench::rtt_byte(k, j));
    sink.text.clear();
    const uint64_t t0 = bench::now_ns();
    if (!port.Send(rtt ? message : bench::poll_request())) return Fail("write_failed");
    if (!waiter.PumpUntil(complete, Clock::now() + kReplyTimeout)) return Fail("timeout");
    const uint64_t dt = bench::now_ns() - t0;
    if (sink.text != (rtt ? message : reply)) ++bad;
    if (k >= a.warmup) samples.push_back(dt);
  }
  bench::print_latency(samples, bad, bench::cpu_us() - cpu0, a.warmup + a.iters);
  return 0;
}

// The port stays open with its read path armed; "wakeups" are the pumping thread's.
int Idle(const bench::Args& a, Sink& sink, MessageWaiter& waiter) {
  bench::say_ready();
  const bench::Cpu c0 = bench::Cpu::now();
  const uint64_t t0 = bench::now_ns();
  const auto length = std::chrono::nanoseconds(static_cast<int64_t>(a.seconds * 1e9));
  waiter.PumpUntil([] { return false; }, Clock::now() + length);
  const uint64_t t1 = bench::now_ns();
  const bench::Cpu c1 = bench::Cpu::now();
  bench::print_idle(c0, c1, t1 - t0, waiter.Wakeups(), sink.text.size());
  return 0;
}

int RunWorkload(const bench::Args& a, BenchPort& port, Sink& sink, MessageWaiter& waiter) {
  if (a.mode == "throughput") return Throughput(a, sink, waiter);
  if (a.mode == "idle") return Idle(a, sink, waiter);
  return RoundTrips(a, port, sink, waiter);
}

}  // namespace

int RunPeer(int argc, char** argv, BenchPort& port) {
  bench::Args a;
  if (!bench::parse_args(argc, argv, a)) return 1;
  MessageWaiter waiter;
  Sink sink;
  const std::string error = port.Open(a.tty, [&sink](const uint8_t* d, size_t n) { sink.Take(d, n); });
  if (!error.empty()) return Fail("open_failed_" + error);
  const int result = RunWorkload(a, port, sink, waiter);
  port.Close();
  return result;
}

}  // namespace nimbrel_bench

// ReadEntry throughput on a 64 MiB archive of mixed entries (deflated text-like data and stored media), against
// plain zlib uncompress (and a copy for the stored entries) of the same data in the same run.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "vfs/archive.h"

namespace {

struct Corpus {
  std::string path;
  std::vector<std::string> names;
  std::vector<std::vector<uint8_t>> stored;  // the bytes as stored in the archive
  std::vector<size_t> sizes;                 // unpacked sizes
  std::vector<bool> deflated;
  int64_t total = 0;

  Corpus() {
    char dir[] = "/tmp/archive_bench_XXXXXX";
    if (::mkdtemp(dir) == nullptr) std::abort();
    const std::string src = std::string(dir) + "/src/";
    std::system(("mkdir -p " + src).c_str());
    std::mt19937 rng(42);
    const char* words[] = {"the ",   "scene ",  "fades ",  "into ",  "night ",     "and ",
                           "music ", "plays ",  "softly ", "while ", "she ",       "waits ",
                           "by ",    "window ", "\r\n",    "@",      "[wait 300]", "chapter "};
    velk::TVrFileCollection c;
    c.Open(src);
    int index = 0;
    while (total < (int64_t{64} << 20)) {
      const bool media = index % 3 == 2;
      const size_t size = media ? 1048576 + rng() % 3145728 : 16384 + rng() % 1048576;
      std::string bytes;
      bytes.reserve(size);
      if (media) {
        while (bytes.size() < size) bytes.push_back(static_cast<char>(rng()));
      } else {
        while (bytes.size() < size) bytes += words[rng() % (sizeof words / sizeof *words)];
        bytes.resize(size);
      }
      const std::string name = "data" + std::to_string(index) + (media ? ".ogg" : ".txt");
      FILE* f = std::fopen((src + name).c_str(), "wb");
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
      c.AddEntry(name);
      names.push_back(name);
      sizes.push_back(size);
      total += static_cast<int64_t>(size);
      ++index;
    }
    path = std::string(dir) + "/game.dat";
    {
      velk::TBigFileStream out(path, velk::fmCreate);
      c.SaveArchive(out);
    }
    velk::TVrFileCollection r;
    r.Open(path);
    for (const auto& name : names) {
      const velk::TVrFile* e = r.FindEntry(name);
      std::vector<uint8_t> b(static_cast<size_t>(e->Size));
      r.ArchiveStream()->SetPosition(e->Offset);
      r.ArchiveStream()->Read(b.data(), e->Size);
      stored.push_back(std::move(b));
      deflated.push_back(!e->Stored);
    }
  }
};

Corpus& corpus() {
  static Corpus c;
  return c;
}

void BM_ReadEntry(benchmark::State& state) {
  Corpus& k = corpus();
  velk::TVrFileCollection c;
  c.Open(k.path);
  for (auto _ : state) {
    for (const auto& name : k.names) {
      velk::TMemoryStream m;
      c.ReadEntry(m, name);
      benchmark::DoNotOptimize(m.Memory());
    }
  }
  state.SetBytesProcessed(state.iterations() * k.total);
}

void BM_ZlibUncompress(benchmark::State& state) {
  Corpus& k = corpus();
  for (auto _ : state) {
    for (size_t i = 0; i < k.names.size(); ++i) {
      std::vector<uint8_t> out(k.sizes[i]);
      if (k.deflated[i]) {
        uLongf n = out.size();
        uncompress(out.data(), &n, k.stored[i].data(), k.stored[i].size());
      } else {
        std::memcpy(out.data(), k.stored[i].data(), out.size());
      }
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetBytesProcessed(state.iterations() * k.total);
}

BENCHMARK(BM_ReadEntry)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ZlibUncompress)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Prints the ratio of the two throughputs after the usual report.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> rate;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& r : runs) {
      auto it = r.counters.find("bytes_per_second");
      if (it != r.counters.end()) rate[r.run_name.function_name] = it->second;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const Corpus& k = corpus();
  int deflated = 0;
  for (bool d : k.deflated) deflated += d ? 1 : 0;
  std::printf("archive: %zu entries (%d deflated), %.1f MiB unpacked\n", k.names.size(), deflated,
              static_cast<double>(k.total) / 1048576.0);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double a = reporter.rate["BM_ReadEntry"], b = reporter.rate["BM_ZlibUncompress"];
  if (a > 0 && b > 0) {
    std::printf("ReadEntry %.1f MiB/s, zlib uncompress %.1f MiB/s, ratio %.3f (target at least 1.5)\n", a / 1048576.0,
                b / 1048576.0, a / b);
  }
  std::system(("rm -rf " + k.path.substr(0, k.path.rfind('/'))).c_str());
  return 0;
}

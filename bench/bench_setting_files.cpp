// Setting files: loading the largest shipped definition file (XML), the same
// settings as a binary setpoint file, and writing each form. Prints figures;
// never passes or fails.
//
//   build/bench/bench_setting_files [--benchmark_min_time=0.5]

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <iostream>

#include "setpoints/data_packet_file.h"
#include "setpoints/load_setting_file.h"
#include "setpoints/write_setting_file.h"

namespace {

namespace fs = std::filesystem;

struct Files {
  fs::path defaults = fs::path(KVX_SOURCE_DIR) / "defaults";
  fs::path largest;
  fs::path scratch;
  fs::path binary;
  fs::path xml;
  kvx::SettingStore store;

  Files() {
    std::uintmax_t size = 0;
    for (const auto& e : fs::directory_iterator(defaults)) {
      if (e.path().extension() == ".xml" && e.file_size() > size) {
        size = e.file_size();
        largest = e.path();
      }
    }
    std::string pattern = (fs::temp_directory_path() / "kvx-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    scratch = pattern;
    binary = scratch / "site.cds";
    xml = scratch / "site.xml";
    if (!kvx::LoadSettingFile(store, largest, defaults)) std::abort();
    if (!kvx::WriteSettingFile(store, binary).ok || !kvx::WriteSettingFile(store, xml).ok)
      std::abort();
    std::cout << "largest definition file: " << largest.filename().string() << " ("
              << fs::file_size(largest) << " bytes); as a binary setpoint file "
              << fs::file_size(binary) << " bytes\n";
  }
  ~Files() {
    std::error_code ec;
    fs::remove_all(scratch, ec);
  }
};

Files& Shared() {
  static Files files;
  return files;
}

// The whole load of a definition file: parse plus the three passes.
void LoadDefinitionXml(benchmark::State& state) {
  Files& f = Shared();
  kvx::SettingStore s;  // one store for the program's life, as the main window has
  for (auto _ : state) benchmark::DoNotOptimize(kvx::LoadSettingFile(s, f.largest, f.defaults).ok);
}

// A binary setpoint file with its (XML) definition file: what "Open" costs.
void LoadSetpointBinaryWithDefinitions(benchmark::State& state) {
  Files& f = Shared();
  kvx::SettingStore s;
  for (auto _ : state) benchmark::DoNotOptimize(kvx::LoadSettingFile(s, f.binary, f.defaults).ok);
}

// Only reading the packets, to separate the two forms' parsing.
void ReadPacketXml(benchmark::State& state) {
  Files& f = Shared();
  for (auto _ : state) benchmark::DoNotOptimize(kvx::ReadPacketFile(f.largest).ok);
}

void ReadPacketBinary(benchmark::State& state) {
  Files& f = Shared();
  for (auto _ : state) benchmark::DoNotOptimize(kvx::ReadPacketFile(f.binary).ok);
}

void WriteSetpointXml(benchmark::State& state) {
  Files& f = Shared();
  for (auto _ : state) benchmark::DoNotOptimize(kvx::WriteSettingFile(f.store, f.xml).ok);
}

void WriteSetpointBinary(benchmark::State& state) {
  Files& f = Shared();
  for (auto _ : state) benchmark::DoNotOptimize(kvx::WriteSettingFile(f.store, f.binary).ok);
}

BENCHMARK(LoadDefinitionXml)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadSetpointBinaryWithDefinitions)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadPacketXml)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadPacketBinary)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteSetpointXml)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteSetpointBinary)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

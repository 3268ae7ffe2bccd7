// The virtual file system's hot paths, each beside what it is compared with in the same run:
//   LoadFile of a compressed member against zlib's own uncompress of the same bytes
//     (counter "x_uncompress": time of LoadFile / time of uncompress; goal <= 1.10);
//   LoadFile of a stored member against reading a plain file of the same size
//     (counter "x_file_read");
//   name lookup in a collection of 100 and of 100000 members;
//   looking for a loose file that is not there (what every archive load does first) in a
//   folder of 50 and of 2000 files, with the manager's folder cache against a plain scan.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "base/stream.h"
#include "platform/posix_file_system.h"
#include "vfs/big_stream.h"
#include "vfs/host_path.h"
#include "vfs/vr_file.h"
#include "vfs/vr_file_manager.h"

namespace {

using Clock = std::chrono::steady_clock;

// A folder under the temporary folder for one benchmark, removed afterwards.
struct Scratch {
    std::string path;
    Scratch() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "bench_vfs_XXXXXX").string();
        path = ::mkdtemp(tmpl.data());
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

// Game-like data: text with variety, compressing to about a third.
std::vector<uint8_t> Script(size_t n) {
    std::mt19937 rng(7);
    static const char* words[] = {"TextIns ",  "message ",    "window ", "\\n",       "Wait 100 ",
                                  "bg01.qil ", "if (x > 3) ", "; ",      "Sound se ", "Ending "};
    std::vector<uint8_t> b;
    b.reserve(n);
    while (b.size() < n) {
        const char* w = words[rng() % 10];
        b.insert(b.end(), w, w + std::char_traits<char>::length(w));
        if (rng() % 4 == 0) b.push_back(uint8_t('0' + rng() % 10));
    }
    b.resize(n);
    return b;
}

std::vector<uint8_t> Noise(size_t n) {
    std::mt19937 rng(3);
    std::vector<uint8_t> b(n);
    for (auto& x : b) x = uint8_t(rng());
    return b;
}

std::string MakeArchive(const std::string& dir, const std::vector<uint8_t>& member, bool stored) {
    vesk::TPosixFileSystem hostFs;
    vesk::TVrFileCollection c(hostFs);
    vesk::TVrFile* f = c.AddMemoryEntry("data\\member.bin");
    f->Data->Write(member.data(), member.size());
    // An in-memory member of 5 MiB or more is stored as is.
    if (stored && member.size() < 0x500000) std::abort();
    std::string path = dir + "/game.dat";
    vesk::TTpBigFileStream out(hostFs, path, vesk::TTpBigFileStream::Mode::Create);
    c.WriteArchive(out);
    return path;
}

void BM_LoadCompressed(benchmark::State& state) {
    Scratch s;
    auto raw = Script(size_t(state.range(0)));
    std::string path = MakeArchive(s.path, raw, false);
    vesk::TPosixFileSystem hostFs;
    vesk::TVrFileManager fm(hostFs, s.path);
    fm.AddArchive(path);
    vesk::TVrFile* f = fm.FindEntry("data\\member.bin").entry;
    std::vector<uint8_t> packed;
    fm.FindEntry("data\\member.bin").collection->ReadMember(*f, packed, false);
    std::vector<uint8_t> out(raw.size());
    double load = 0, plain = 0;
    vesk::MemoryStream m;
    for (auto _ : state) {
        auto t0 = Clock::now();
        fm.LoadFile(m, "data\\member.bin");
        auto t1 = Clock::now();
        uLongf n = uLongf(out.size());
        uncompress(out.data(), &n, packed.data(), uLong(packed.size()));
        auto t2 = Clock::now();
        benchmark::DoNotOptimize(m.Bytes().data());
        benchmark::DoNotOptimize(out.data());
        load += std::chrono::duration<double>(t1 - t0).count();
        plain += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    if (m.Bytes() != raw) state.SkipWithError("LoadFile gave other bytes");
    state.counters["x_uncompress"] = load / plain;
    state.counters["ratio_packed"] = double(packed.size()) / double(raw.size());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(raw.size()));
}
BENCHMARK(BM_LoadCompressed)
    ->Arg(64 << 10)
    ->Arg(4 << 20)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

void BM_LoadStored(benchmark::State& state) {
    Scratch s;
    auto raw = Noise(size_t(state.range(0)));
    std::string path = MakeArchive(s.path, raw, true);
    std::string plainPath = s.path + "/plain.bin";
    vesk::WriteFileAtomic(plainPath, raw.data(), raw.size());
    vesk::TPosixFileSystem hostFs;
    vesk::TVrFileManager fm(hostFs, s.path + "/none");
    fm.AddArchive(path);
    double load = 0, plain = 0;
    vesk::MemoryStream m;
    for (auto _ : state) {
        auto t0 = Clock::now();
        fm.LoadFile(m, "data\\member.bin");
        auto t1 = Clock::now();
        auto bytes = vesk::ReadWholeFile(plainPath);
        auto t2 = Clock::now();
        benchmark::DoNotOptimize(bytes.data());
        load += std::chrono::duration<double>(t1 - t0).count();
        plain += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    if (m.Bytes() != raw) state.SkipWithError("LoadFile gave other bytes");
    state.counters["x_file_read"] = load / plain;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(raw.size()));
}
BENCHMARK(BM_LoadStored)->Arg(8 << 20)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_Lookup(benchmark::State& state) {
    vesk::TPosixFileSystem hostFs;
    vesk::TVrFileCollection c(hostFs);
    const int n = int(state.range(0));
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "image\\bg\\Picture%06d.qil", i);
        names.push_back(buf);
        c.AddEntry(buf);
    }
    // Asked for in another case, as scripts do.
    for (auto& name : names)
        for (char& ch : name) ch = char(std::toupper(uint8_t(ch)));
    std::mt19937 rng(1);
    std::vector<int> order(4096);
    for (int& i : order) i = int(rng() % uint32_t(n));
    size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(c.Find(names[size_t(order[k++ & 4095])]));
    }
}
BENCHMARK(BM_Lookup)->Arg(100)->Arg(100000);

void BM_LooseMiss(benchmark::State& state) {
    Scratch s;
    std::filesystem::create_directories(s.path + "/Image");
    for (int i = 0; i < state.range(0); ++i)
        vesk::WriteFileAtomic(s.path + "/file" + std::to_string(i), "", 0);
    // Folders changed in the last seconds are not cached; age them.
    auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    std::filesystem::last_write_time(s.path, old);
    std::filesystem::last_write_time(s.path + "/Image", old);
    vesk::TPosixFileSystem hostFs;
    vesk::THostDirCache cache;
    vesk::THostDirCache* use = state.range(1) ? &cache : nullptr;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            vesk::ResolveGameName(hostFs, s.path, "image\\bg01.png", vesk::GameEntry::File, use));
}
BENCHMARK(BM_LooseMiss)
    ->ArgNames({"files", "cached"})
    ->Args({50, 0})
    ->Args({50, 1})
    ->Args({2000, 0})
    ->Args({2000, 1});

}  // namespace

BENCHMARK_MAIN();

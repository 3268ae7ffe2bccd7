// Damaged games: the player runs copies of a small game whose pages and project file have
// bytes flipped, cut off, added or overwritten with extreme numbers (a few chosen fields of
// the project file first, then random places). Every run must end in order: exit status 0,
// 1 or 3, no signal, no sanitizer report, within a time limit.
//
// The damage comes from a fixed seed, so a failure is reproduced by its case number:
// VESK_MUTATION=N runs only case N and keeps the damaged game (its folder is printed).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "e2e_fixture.h"

extern char** environ;

namespace vesk::e2e {
namespace {

const char* kProject = R"(ProjectName: "Mutant"
Screen: 320, 240
FullScreen: 640, 480
StartPage: main.lsb
QuitPage: quit.lsb
SaveStatus: yes
PaceFrames: no
Var: score, int, 3
Var: ratio, float, 1.5
Var: seen, flag, TRUE
Var: name, string, "名前"
FolderDisk: "lib\far", 2
)";

// A little of everything a page stores: loops, branches, calls with arguments, objects and
// their properties, a text block, a flip, waits and a save.
const char* kMain = R"(VarNew i, int, 0
VarNew total, int
VarNew text, string, "あいう"
VarNew r, float, 0.25
Calc score = score + 1
WhileInit i = 0
While i < 5
    Calc total = total + i * 2
    If total > 6
        Calc text = text ++ IntToStr(total)
    Elseif total == 2
        Continue
    Else
        Calc r = r * 2.5
WhileLoop i = i + 1
Call lib\sub.lsb:twice, Arguments: [total, text], ResultVar: total
BoxNew PR_NAME: "bg", PR_LEFT: 0, PR_TOP: 0, PR_WIDTH: 320, PR_HEIGHT: 240, PR_COLOR: $203040
BoxNew PR_NAME: "kid", PR_PARENT: "bg", PR_LEFT: 10, PR_TOP: 20, PR_WIDTH: 50, PR_HEIGHT: 40,
    PR_COLOR: $0000FF, PR_ALPHA: 128
SetProp "kid", 8, $00FF00
GetProp "kid", 8, total
MesNew PR_NAME: "mes", PR_LEFT: 0, PR_TOP: 180, PR_WIDTH: 320, PR_HEIGHT: 60
TextIns "mes", TRUE, FALSE
    | <B>太字</B>と<VAR NAME="text"><BR>
    | <FONT COLOR="#FFE080">色</FONT>
Flip 1, 100
[yield] Wait Time: 50
GameSave 1, :after, "caption"
Label after
Jump lib\sub.lsb:again, score > 100
Call lib\far\gone.lsb, Condition: score > 100
Terminate
)";

const char* kSub = R"(@result int
Label twice
VarNew n, int, 0, local
Calc n = StrToIntDef(@ParamStr[0], 0)
Calc @Result = n * 2
Exit
Label again
ObjDel "kid"
ClrHist
Exit
)";

const char* kQuit = "Calc seen = FALSE\nCalc name = name ++ \"!\"\n";

const char* const kFiles[] = {"vesk.lpb", "main.lsb", "lib/sub.lsb", "quit.lsb"};

// Enough cases to reach past the first fields of every file, few enough to stay quick.
constexpr int kCases = 240;
constexpr int kParallel = 2;
constexpr int kFrames = 40;
constexpr auto kTimeLimit = std::chrono::seconds(60);

std::vector<uint8_t> ReadBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& p, const std::vector<uint8_t>& b) {
    std::ofstream(p, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

// Damages one file of the game in `dir`; returns what was done.
std::string Damage(const fs::path& dir, std::mt19937& rng) {
    auto pick = [&rng](size_t n) {
        return size_t(std::uniform_int_distribution<size_t>(0, n - 1)(rng));
    };
    // The project file is small but read first: a third of the cases go to it.
    const char* file = pick(3) == 0 ? kFiles[0] : kFiles[1 + pick(3)];
    std::vector<uint8_t> b = ReadBytes(dir / file);
    std::string what = std::string(file) + ":";
    switch (pick(4)) {
        case 0: {
            const size_t n = 1 + pick(4);
            for (size_t k = 0; k < n && !b.empty(); ++k) {
                const size_t at = pick(b.size());
                b[at] ^= uint8_t(1 + pick(255));
                what += " flip@" + std::to_string(at);
            }
            break;
        }
        case 1: {
            const size_t at = b.empty() ? 0 : pick(b.size());
            b.resize(at);
            what += " cut@" + std::to_string(at);
            break;
        }
        case 2: {
            const size_t n = 1 + pick(64);
            for (size_t k = 0; k < n; ++k) b.push_back(uint8_t(pick(256)));
            what += " +" + std::to_string(n) + " bytes";
            break;
        }
        default: {
            // Counts, sizes and lengths are 32-bit numbers: give one an extreme value.
            static const uint32_t kExtremes[] = {0x7FFFFFFF, 0x80000000, 0xFFFFFFFF,
                                                 0x10000,    0x7FFF,     0x1000000};
            if (b.size() < 4) break;
            const size_t at = pick(b.size() - 3);
            const uint32_t v = kExtremes[pick(std::size(kExtremes))];
            for (int k = 0; k < 4; ++k) b[at + size_t(k)] = uint8_t(v >> (8 * k));
            what += " int@" + std::to_string(at) + "=" + std::to_string(v);
            break;
        }
    }
    WriteBytes(dir / file, b);
    return what;
}

// Numbers of the project file that size what the player makes, each set to an extreme: the
// version, the lengths of the name and the start page, and the screen (a surface that size).
struct TFieldDamage {
    const char* field;
    int32_t after;  // the field's offset after the project name's bytes; -1: before them
    int32_t offset;
    uint32_t value;
};
const TFieldDamage kFieldDamage[] = {
    {"version", -1, 0, 0x7FFFFFFF},     {"name length", -1, 4, 0x7FFFFFFF},
    {"screen width", 1, 8, 0x7FFFFFFF}, {"screen height", 1, 12, 0x7FFFFFFF},
    {"screen width", 1, 8, 40000},      {"start page length", 1, 24, 0x7FFFFFF0},
};

std::string DamageField(const fs::path& dir, const TFieldDamage& d) {
    std::vector<uint8_t> b = ReadBytes(dir / kFiles[0]);
    const uint32_t nameLength = uint32_t(b[4]) | uint32_t(b[5]) << 8;
    const size_t at = size_t(d.offset) + (d.after >= 0 ? nameLength : 0);
    for (int k = 0; k < 4; ++k) b.at(at + size_t(k)) = uint8_t(d.value >> (8 * k));
    WriteBytes(dir / kFiles[0], b);
    return std::string(kFiles[0]) + ": " + d.field + " " + std::to_string(d.value);
}

struct TMutantRun {
    int index = 0;
    std::string what;
    fs::path dir, err;
    pid_t pid = -1;
    std::chrono::steady_clock::time_point start;
    bool killed = false;
};

// Starts the player on the game in `r.dir`, its standard error into `r.err`.
bool Spawn(TMutantRun& r) {
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, r.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string game = r.dir.string(), frames = std::to_string(kFrames);
    const char* argv[] = {VESKPLAY_PATH,  "--headless", game.c_str(), "--frames",
                          frames.c_str(), "--answer",   "ok",         nullptr};
    const int rc =
        posix_spawn(&r.pid, VESKPLAY_PATH, &fa, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&fa);
    r.start = std::chrono::steady_clock::now();
    return rc == 0;
}

// What is wrong with a finished run; empty when it ended in order.
std::string Verdict(const TMutantRun& r, int raw) {
    const std::string err = ReadText(r.err);
    std::string fault;
    if (r.killed)
        fault = "no end within the time limit";
    else if (WIFSIGNALED(raw))
        fault = "killed by signal " + std::to_string(WTERMSIG(raw));
    else if (WIFEXITED(raw) && WEXITSTATUS(raw) != 0 && WEXITSTATUS(raw) != 1 &&
             WEXITSTATUS(raw) != 3)
        fault = "exit status " + std::to_string(WEXITSTATUS(raw));
    else if (err.find("Sanitizer") != std::string::npos ||
             err.find("runtime error:") != std::string::npos)
        fault = "sanitizer report";
    if (fault.empty()) return {};
    return "case " + std::to_string(r.index) + " (" + r.what + "): " + fault + "\n" +
           err.substr(0, 3000);
}

TEST(MutationTest, DamagedGamesEndInOrder) {
    Workspace w;
    w.Sources("src", {{"project.vpj", kProject},
                      {"main.vss", kMain},
                      {"lib/sub.vss", kSub},
                      {"quit.vss", kQuit}});
    w.Build("src", "game");
    for (const char* f : kFiles) ASSERT_TRUE(fs::exists(w.Path("game") / f)) << f;

    int only = -1;
    if (const char* v = std::getenv("VESK_MUTATION")) only = std::atoi(v);
    std::mt19937 rng(20240614);
    std::vector<TMutantRun> pending;
    const int fixed = int(std::size(kFieldDamage));
    for (int i = 0; i < fixed + kCases; ++i) {
        TMutantRun r;
        r.index = i;
        r.dir = only == i ? fs::temp_directory_path() / ("veskplay-mutation-" + std::to_string(i))
                          : w.Path("case" + std::to_string(i));
        fs::remove_all(r.dir);
        fs::copy(w.Path("game"), r.dir, fs::copy_options::recursive);
        r.what = i < fixed ? DamageField(r.dir, kFieldDamage[i]) : Damage(r.dir, rng);
        r.err = r.dir / "stderr.txt";
        if (only < 0 || only == i) pending.push_back(std::move(r));
    }
    if (only >= 0) std::printf("case %d: %s\n", only, pending.at(0).dir.c_str());

    std::vector<TMutantRun> running;
    size_t next = 0;
    while (next < pending.size() || !running.empty()) {
        while (running.size() < kParallel && next < pending.size()) {
            TMutantRun& r = pending[next++];
            ASSERT_TRUE(Spawn(r)) << r.what;
            running.push_back(r);
        }
        bool reaped = false;
        for (size_t k = 0; k < running.size(); ++k) {
            TMutantRun& r = running[k];
            int raw = 0;
            if (waitpid(r.pid, &raw, WNOHANG) == r.pid) {
                const std::string fault = Verdict(r, raw);
                EXPECT_EQ(fault, "");
                if (only < 0) fs::remove_all(r.dir);
                running.erase(running.begin() + std::ptrdiff_t(k));
                reaped = true;
                break;
            }
            if (!r.killed && std::chrono::steady_clock::now() - r.start > kTimeLimit) {
                kill(r.pid, SIGKILL);
                r.killed = true;
            }
        }
        if (!reaped) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace
}  // namespace vesk::e2e

#pragma once
// Game save and load. Everything the player keeps between sessions lives in one archive,
// "save.dat": one game record per slot ("GAMESAVEDATA" and the slot number), the status
// record shared by every game ("STATUSSAVEDATA": status variables, read marks, the image
// cache's depth flag, status tables) and files scripts stored under "save:" names.
//
// The records gather the state of subsystems this layer does not know; each hands in its
// section as a pair of functions (TSaveParts). A section nobody hands in is written in the
// layout of an empty one and skipped when read, so the records keep their layout whichever
// subsystems a build has.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/host_file_system.h"
#include "base/message_box.h"
#include "base/stream.h"
#include "script/project.h"
#include "vfs/vr_file.h"

namespace vesk {

// The version written into game records, and the oldest one still read.
inline constexpr int32_t kGameSaveVersion = 139;
inline constexpr int32_t kOldestGameSave = 107;
// The version of the status record, written as "Status103".
inline constexpr int32_t kStatusVersion = 103;
inline constexpr std::string_view kGameSaveMember = "GAMESAVEDATA";
inline constexpr std::string_view kStatusMember = "STATUSSAVEDATA";
inline constexpr std::string_view kSaveFileName = "save.dat";

// "GAMESAVEDATA" followed by the slot in decimal.
std::string GameSaveMember(int32_t slot);
// The slot of a game record's member name; false for other names (the rest must be a
// decimal number that fits).
bool SlotOfMember(std::string_view name, int32_t& slot);

// One section of a record that another subsystem writes and reads. Load receives the
// record's version.
struct TSaveSection {
    std::function<void(StreamWriter&)> Save;
    std::function<void(StreamReader&, int32_t version)> Load;
    explicit operator bool() const { return Save && Load; }
};

// What the records gather from the subsystems (owned by the engine, which fills it as it
// builds them).
struct TSaveParts {
    TSaveSection Display;       // game record: the display root, objects, events
    TSaveSection Histories;     // game record: the history formats and their histories
    TSaveSection GameTables;    // game record: tables kept with games
    TSaveSection ReadList;      // status record: the read marks
    TSaveSection StatusTables;  // status record: tables kept with the status
    // The image cache's colour-depth flag (status record).
    std::function<bool()> CacheDepth;
    std::function<void(bool)> SetCacheDepth;
    // Runs after a game record has been read whole (message windows lay their text out
    // again).
    std::function<void()> AfterLoad;
};

// The layouts of sections when nobody hands them in: written empty, read over.
void WriteEmptyHistories(StreamWriter& w);
void SkipHistories(StreamReader& r, int32_t version);
void WriteEmptyReadList(StreamWriter& w);
void SkipReadList(StreamReader& r);
// `kind` 0: tables kept with games (they end with the active table's name); 1: status.
void WriteEmptyTables(StreamWriter& w, int kind);
void SkipTables(StreamReader& r, int kind);

// A game's name as the name of its save folder: backslash, slash, colon, comma,
// semicolon, asterisk, question mark, double quote, less-than, greater-than and bar become
// "_"; a name that would mean no folder or the folder above ("", ".", "..") becomes "_".
std::string SaveFolderName(std::string name);

// The head of a game record.
struct TGameRecordHead {
    int32_t Version = 0;
    std::string Caption;
    std::string LoadPage;
    int32_t LoadTarget = 0;
};
TGameRecordHead ReadGameRecordHead(StreamReader& r);
// The status record's version: the digits after "Status", or 0 (and the reader rewound to
// where it was) when the record does not start with "Status".
int32_t ReadStatusVersion(StreamReader& r);

// The save file as an archive held in memory: read whole, changed member by member and
// written whole.
class TSaveArchive {
  public:
    explicit TSaveArchive(IHostFileSystem& fs);
    // Reads the file at `path` (native); a missing or empty file is an empty archive. A
    // file that is not an archive raises a VeskError.
    void Read(const std::string& path);
    void ReadBytes(std::vector<uint8_t> bytes);
    bool Has(std::string_view name) const;
    // A member's uncompressed bytes; raises when damaged or missing.
    std::vector<uint8_t> Member(std::string_view name);
    // Replaces (or adds) a member.
    void Put(std::string_view name, std::vector<uint8_t> bytes);
    void Remove(std::string_view name);
    std::vector<std::string> Names() const;
    // The whole archive.
    std::vector<uint8_t> Write();

  private:
    IHostFileSystem& fs_;
    std::unique_ptr<TVrFileCollection> files_;
};

// Where "save.dat" may go.
struct TSaveLocation {
    // The game's folder (the command-line folder, else the executable's); native.
    std::string GameFolder;
    // A per-game folder of the user's for when the game's folder takes no files (made
    // when missing); given the project's name. Empty function or result: none.
    std::function<std::string(const std::string& projectName)> DataFolder;
};

class TGameSaves final : public IProjectSaves {
  public:
    // `parts` and the others outlive the saves.
    TGameSaves(IHostFileSystem& fs, TSaveLocation where, const TSaveParts& parts, IMessageBox* box);

    // IProjectSaves
    void ReadStatus(TProject& p) override;
    void FillCaptions(TProject& p) override;
    bool LoadGame(TProject& p, int32_t slot) override;
    void SaveGame(TProject& p, const TSaveRequest& r) override;
    void WriteStatus(TProject& p) override;

    // The save file's path, found once: the game folder when a file can be created in it,
    // else the per-game data folder (a "save.dat" left in the game folder is copied there
    // first). Raises "データファイルを作成することができません" when neither works.
    const std::string& SavePath(TProject& p);
    // Stores a file under its "save:" name in the save file (and leaves the rest as it
    // was).
    void StoreFile(TProject& p, const std::string& name, const std::vector<uint8_t>& bytes);

    // The records of the running game.
    std::vector<uint8_t> GameRecord(TProject& p, const TSaveRequest& r);
    std::vector<uint8_t> StatusRecord(TProject& p);
    // Puts a game record's state in place (the load page is entered when the record names
    // one). Raises on damaged records; the state may then be half-replaced.
    void ApplyGameRecord(TProject& p, const std::vector<uint8_t>& record);
    void ApplyStatusRecord(TProject& p, const std::vector<uint8_t>& record);

    // Receives what goes wrong where the game goes on (UTF-8); may be empty.
    void SetDiagnostic(std::function<void(const std::string&)> f) { diagnostic_ = std::move(f); }

  private:
    void Warn(const std::string& text);
    void Diagnose(const std::string& text);
    bool FolderTakesFiles(const std::string& folder);

    IHostFileSystem& fs_;
    TSaveLocation where_;
    const TSaveParts& parts_;
    IMessageBox* box_;
    std::function<void(const std::string&)> diagnostic_;
    // Status sections read without anybody to take them, written back as they were so
    // nothing of them is lost.
    std::vector<uint8_t> keptReadList_, keptStatusTables_;
};

}  // namespace vesk

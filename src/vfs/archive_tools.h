#pragma once
// Whole-archive operations for people who work with game data: extracting every member to a
// folder, checking every member, building an archive from a folder.
#include <string>
#include <vector>

#include "vfs/vr_file.h"

namespace vesk {

// What an operation did: its messages (UTF-8, one per skipped or failed member) and counts.
struct TArchiveReport {
    size_t done = 0;
    size_t failed = 0;
    std::vector<std::string> messages;
};

// Writes every member, in directory order, under `target` (a native folder, created when
// missing) as UTF-8 paths with '/' folders. Members whose names could leave the folder are
// skipped; members differing only in case become one file, the later one winning.
TArchiveReport ExtractArchive(TVrFileCollection& archive, const std::string& target);

// Reads every member, inflating the compressed ones, and compares the stored checksums
// (archives of version 101 and later).
TArchiveReport CheckArchive(TVrFileCollection& archive);

// Writes every file under `folder` (sorted by path) as a version-102 archive at `archivePath`,
// replacing it only once it is whole. Files whose names have no CP932 form, and links that
// lead outside the folder, are skipped.
TArchiveReport CreateArchive(IHostFileSystem& fs, const std::string& folder,
                             const std::string& archivePath);

}  // namespace vesk

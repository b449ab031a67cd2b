#pragma once
// The system's file calls under a whole-file replacement: a new file made
// beside the old one, written, flushed and renamed over it, with the old
// file's marks kept and a live writer of a temporary told from one that has
// gone. Calls on descriptors fail as the C library's do, with errno set;
// calls that name a file say why they failed in error, in UTF-8.
#include <cstddef>
#include <filesystem>
#include <string>

namespace q17::filecalls {

// Whether the system opens file as a device wherever it stands (Windows:
// CON, NUL, COM5, com5.set; nowhere else).
bool OpensAsDevice(const std::filesystem::path& file);

// Makes name for writing; it must not exist yet. Its descriptor, or -1 with
// errno (EEXIST when the name is taken).
int OpenNew(const std::filesystem::path& name);
// Writes up to size bytes, at most 1 MiB a call: how many, or -1 with errno.
int WriteSome(int fd, const char* data, std::size_t size);
// Puts what was written on the disk; false with errno.
bool Flush(int fd);
// 0, or -1 with errno.
int Close(int fd);
// Removes a temporary of our own; a failure leaves it (nothing to tell).
void RemoveTemp(const std::filesystem::path& name);

// Why a file that would not open for reading did not; called right after
// the failure, with errno cleared before the attempt.
std::string OpenForReadingFailure(const std::filesystem::path& file);

// Whether the existing file target may be replaced: a file the user made
// read-only, or (Windows) one another program holds open without leave to
// replace it, may not (false, why in error).
bool PrepareOver(const std::filesystem::path& target, std::string& error);
// Gives the open temporary fd the owner (where allowed) and mode of target.
void KeepModeOpen(const std::filesystem::path& target, int fd);
// Gives the closed temporary temp the attributes of target.
void KeepModeClosed(const std::filesystem::path& target, const std::filesystem::path& temp);
// Renames temp over target in one step; false with why in error.
bool RenameOver(const std::filesystem::path& temp, const std::filesystem::path& target, std::string& error);
// Puts a rename in folder on the disk where the folder carries it.
void FlushFolder(const std::filesystem::path& folder);

// A writer shows that it is alive from creating its temporary to its rename:
// HoldWriter on the new temporary's descriptor gives a handle (-1: nothing to
// hold) that stays valid after the descriptor closes, until ReleaseWriter.
int HoldWriter(int fd);
void ReleaseWriter(int held);
// Whether the writer of temp has gone (ended, however it ended).
bool WriterGone(const std::filesystem::path& temp);

}  // namespace q17::filecalls

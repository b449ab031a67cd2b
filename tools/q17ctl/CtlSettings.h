#pragma once
// q17ctl's settings-file commands: one reader's set-up saved into a file, and
// a file written into a reader, so one set-up can be cloned onto many.
#include <filesystem>
#include <functional>
#include <iosfwd>

#include "link/KvlInterface.h"
#include "reader/RdrCmd.h"

namespace q17 {

// Reads the configuration of the reader at s.ReaderAddress (block, tag
// memory times, attenuations) and saves it into file with RDR_ADDR the
// reader's address and the state's tag texts. Exit code 0 or 1.
// stopRequested: the stop that the port watches; a read it cut short is
// told as the stop.
int SaveConfigCmd(TCommandState& s, TInterfList& link, const std::filesystem::path& file, std::ostream& out,
                  std::ostream& err, const std::function<bool()>& stopRequested = {});

// Loads file over the reader's own block (its marker, mode and Wiegand
// interval stay), brings each value into the range its page control allows,
// writes block, tag memory times and attenuations to the reader at
// s.ReaderAddress, and reads them back to check. Exit code 0 or 1.
// Once stopRequested, no further command goes out (the one in progress is
// cut short where the port watches the stop), and `err` lists each command
// as written, not written or not known. portWatchesStop: the port watches
// the same stop, so an exchange that failed once it came was cut by it.
int WriteConfigCmd(TCommandState& s, TInterfList& link, const std::filesystem::path& file, std::ostream& out,
                   std::ostream& err, const std::function<bool()>& stopRequested = {},
                   bool portWatchesStop = false);

}  // namespace q17

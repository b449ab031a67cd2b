#pragma once
// q17ctl commands sent to several readers in turn (--address 1,3,5-9 or
// found): a block per reader, "Addr=NN", what the command prints, then "OK"
// or its failure; a failure at one reader does not stop the others.
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "link/KvlInterface.h"
#include "reader/AddressList.h"
#include "reader/RdrCmd.h"

namespace q17 {

// What a failed command wrote to its error stream, reduced to the one line
// that says why: its "Код = N / text", else its first line.
std::string FailureLine(const std::string& errorText);

// Runs `command(address)` for each address. The command writes its failures
// to `err`, which is turned to a buffer of its own for each reader: they
// then reach err's own buffer prefixed "Addr=NN: ", and the failure line
// follows the reader's block on `out`. A stop, or a device that has gone
// (`lineGone`), ends the list after the reader in progress, whose block is
// finished as usual; the addresses not begun are named on `err` as not
// touched. Exit code: 0, or 1 when any failed.
int RunForEachAddress(const std::vector<int>& addresses, std::ostream& out, std::ostream& err,
                      const std::function<int(int address)>& command, const std::function<bool()>& stop,
                      const std::function<bool()>& lineGone = {});

}  // namespace q17

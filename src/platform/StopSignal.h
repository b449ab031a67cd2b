#pragma once
// A user's request to stop (Ctrl-C, the terminal closing, a kill): a port
// that waits for the line gives up at once when it comes, so the program
// ends between two steps without sitting out a time-out first.
namespace q17 {

class StopSignal {
 public:
  virtual ~StopSignal() = default;
  virtual bool Requested() const = 0;
  // A descriptor that polls readable while a stop is requested, for waits
  // on POSIX descriptors; -1 when there is none.
  virtual int WaitDescriptor() const { return -1; }
};

}  // namespace q17

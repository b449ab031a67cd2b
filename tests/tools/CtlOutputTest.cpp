// q17ctl's output: failed writes reported, reader text made harmless.
#include "CtlOutput.h"

#include <sys/stat.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <ostream>
#include <sstream>
#include <vector>

#include "CtlTrace.h"

namespace q17 {
namespace {

TEST(CtlOutput, OutputThatCannotBeWrittenIsAFailureWithItsReason) {
  signal(SIGPIPE, SIG_IGN);
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  close(pipeFds[0]);
  const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
  struct Case {
    const char* what;
    int fd;
    int exitCode;
    std::string words;  // on stderr; empty: nothing at all
  };
  const Case cases[] = {
      {"full disk", full, 1, std::strerror(ENOSPC)},
      {"closed descriptor", 1000, 1, std::strerror(EBADF)},
      {"pipe closed by its reader", pipeFds[1], 128 + SIGPIPE, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.fd == full && full < 0) continue;
    TFdOutBuf buf(c.fd);
    std::ostream out(&buf);
    std::ostringstream err;
    out << "Addr=01 [2xQ17 v1.0]\n";
    EXPECT_EQ(FinishOutput(0, out, err), c.exitCode);
    if (c.words.empty()) {
      EXPECT_EQ(err.str(), "");
    } else {
      EXPECT_NE(err.str().find("q17ctl: the output could not be written: " + c.words), std::string::npos)
          << err.str();
    }
  }
  close(pipeFds[1]);
  if (full >= 0) close(full);

  // Written in full: the command's own code stands.
  std::ostringstream fine;
  std::ostringstream err;
  fine << "good=1\n";
  EXPECT_EQ(FinishOutput(2, fine, err), 2);
}

// Characters cut by the end of the output buffer wait for their rest: every
// byte arrives once and in order, whichever character straddles the edge.
TEST(CtlOutput, CharactersAcrossTheBufferEdgeArriveWhole) {
  const std::string tail = "Ж€😀 Считыватель\n";
  for (std::size_t lead = 4090; lead <= 4097; ++lead) {
    SCOPED_TRACE(lead);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const std::string text = std::string(lead, 'a') + tail + tail;
    {
      TFdOutBuf buf(fds[1]);
      std::ostream out(&buf);
      out << text << std::flush;
      EXPECT_EQ(buf.Error(), 0);
    }
    close(fds[1]);
    std::string got;
    char chunk[4096];
    for (ssize_t n; (n = read(fds[0], chunk, sizeof chunk)) > 0;) got.append(chunk, static_cast<std::size_t>(n));
    close(fds[0]);
    EXPECT_EQ(got, text);
  }
}

// A trace whose reader takes nothing holds up no exchange, and a stop ends
// the waits on it: for its reader to come, and for room in the pipe.
TEST(CtlTrace, AStalledReaderNeitherHoldsTheLineNorOutlastsAStop) {
  const std::string fifo = ::testing::TempDir() + "/q17ctl-trace-fifo";
  unlink(fifo.c_str());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::atomic<bool> stop{true};
  std::ostringstream err;
  {
    TCtlTrace nobody([&stop] { return stop.load(); });
    EXPECT_FALSE(nobody.Open(fifo, err, TLineClock::now()));
    EXPECT_EQ(err.str(), "q17ctl: stopped while the trace '" + fifo + "' waited for its reader\n");
  }

  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);  // never reads
  ASSERT_GE(reader, 0);
  stop = false;
  err.str("");
  TCtlTrace trace([&stop] { return stop.load(); });
  ASSERT_TRUE(trace.Open(fifo, err, TLineClock::now()));
  const std::vector<std::uint8_t> frame(64, 0x20);
  TLineEvent tx;
  tx.Bytes = frame.data();
  tx.Size = frame.size();
  // Far more than the pipe holds: none of it may wait for the reader.
  for (int i = 0; i < 20000; ++i) trace.Observer()->OnLineEvent(tx);
  stop = true;
  EXPECT_EQ(trace.Finish(0, err), 1);
  EXPECT_EQ(err.str(), "q17ctl: the trace file '" + fifo + "' could not be written\n");
  close(reader);
  unlink(fifo.c_str());
}

}  // namespace
}  // namespace q17

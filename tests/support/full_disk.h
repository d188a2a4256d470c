// Writes that run out of room part way, as on a full disk, and the check that they leave
// the files that were there. Shared by the tests of every writer.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tbtest {

/// What one write of a writer under test gave: its result and LastError.
struct WriteOutcome {
    int result = 0;
    std::string error;
};

/// Writes a record into the directory dir: a small one, or (large) one that does not fit
/// in 1 MB.
using RecordWriter = std::function<WriteOutcome(const std::string& dir, bool large)>;

/// Writes a small record, then a large one where files cannot grow past 1 MB: on a tmpfs
/// of 1 MB mounted for the test or, where no file system can be mounted, in a child
/// process limited by RLIMIT_FSIZE. Expects the large write to give result 0 with an
/// error naming what happened, each file of names byte for byte as the small write left
/// it, and nothing else in the directory (no staged file left behind).
void ExpectFailedWriteKeepsFiles(const std::vector<std::string>& names, const RecordWriter& write);

}  // namespace tbtest

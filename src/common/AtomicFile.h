#pragma once
// Whole-file replacement that never leaves a half-written file behind: readers see either the
// old content or the complete new content.

#include "common/PathError.h"
#include <filesystem>
#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

namespace tessaline {

// A file that could not be written; what() is "<path>: <reason>".
class FileWriteError : public PathError {
public:
    using PathError::PathError;
};

// Calls write with a stream onto a new temporary file beside target, makes it durable and
// renames it over target (an existing target keeps its permissions). A target that is a symbolic
// link stays one: the file its links lead to is replaced, or made when the link dangles. A target
// that is a folder, device, pipe or socket is refused. On failure the temporary file is removed
// and target is untouched: stream or disk errors throw FileWriteError, and an exception thrown by
// write itself propagates unchanged. SIGINT, SIGTERM or SIGHUP during the write (where they would
// end the process) remove the temporary file first. Temporaries of target whose writer's process
// is gone are removed before the write.
void writeFileAtomically(const std::filesystem::path& target, const std::function<void(std::ostream&)>& write);

// Fault injection for tests: the next writes meant for target fail with errno `error` once
// failAfter bytes have reached the disk, as a full disk fails them. Until cleared.
void injectWriteFault(const std::filesystem::path& target, std::size_t failAfter, int error);
void clearWriteFaults();

}  // namespace tessaline

#include "gcode/ScratchProgram.h"

#include "common/AtomicFile.h"
#include "gcode/GcodeGenerator.h"

namespace tessaline {

void writeProgramFile(const std::filesystem::path& path, const GcodeOptions& options,
                      const std::function<void(const RecordSink&)>& walkRecords) {
    writeFileAtomically(path, [&](std::ostream& out) {
        GcodeWriter writer(options, out);
        walkRecords([&writer](const DesignRecord& record) { writer.add(record); });
        writer.finish();
    });
}

}  // namespace tessaline

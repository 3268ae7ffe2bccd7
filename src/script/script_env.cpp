#include "script/script_env.h"

#include "base/error.h"

namespace vesk {

TFileTraceWriter::TFileTraceWriter(const std::string& path) {
    f_ = std::fopen(path.c_str(), "wb");
    if (!f_) Fail("cannot write the trace file " + path);
}

TFileTraceWriter::~TFileTraceWriter() {
    if (f_) std::fclose(f_);
}

void TFileTraceWriter::WriteLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), f_);
    std::fputs("\r\n", f_);
    // A trace is read after a crash as often as after a clean exit.
    std::fflush(f_);
}

}  // namespace vesk

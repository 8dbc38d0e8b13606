// velmora convert --to FORMAT --out-dir DIR FILE...: many files, one bar, a
// summary of what failed and why.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "tools/batch_progress.h"
#include "tools/commands.h"
#include "tools/convert_request.h"
#include "tools/file_kind.h"
#include "velmora/cfile.h"

namespace velmora::cli {

namespace {

struct FileFailure {
    std::string file;
    std::string reason;  // shown as the terminal can
};

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Makes `dir` when it is missing; false, with `error` set, when it cannot be
// had as a directory.
bool EnsureDirectory(const std::string& dir, std::string* error) {
    struct stat st;
    if (stat(dir.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        *error = "'" + dir + "' is not a directory";
        return false;
    }
    if (mkdir(dir.c_str(), 0777) == 0) return true;
    *error = "cannot make the directory '" + dir + "': " + std::strerror(errno);
    return false;
}

// Converts one file; false, with the reason, when it fails.
bool ConvertFile(const std::string& input, const std::string& output, const ConvertRequest& request,
                 std::string* reason) {
    ConvertResult result;
    try {
        result = ConvertDIBFile(input, InputFormat(input), output, request.format, StepsOf(request, input));
    } catch (const CFileException& e) {
        *reason = e.what();
        return false;
    }
    switch (result.stage) {
        case ConvertStage::done: return true;
        case ConvertStage::read:
            *reason = result.message.empty() ? "cannot read: " + FailureText(result.text.c_str()) : result.message;
            break;
        case ConvertStage::save: *reason = "cannot save " + output + ": " + FailureText(result.text.c_str()); break;
        case ConvertStage::transform:
        case ConvertStage::thumbnail: *reason = StepName(request, result) + " failed"; break;
        case ConvertStage::fit: *reason = result.message; break;
        case ConvertStage::worldFile:
            std::fprintf(stderr, "velmora: %s\n", result.message.c_str());
            *reason = "no world file";
            break;
    }
    return false;
}

void ReportBatch(size_t files, const std::string& outDir, const std::vector<FileFailure>& failures) {
    if (!IsQuiet())
        std::printf("converted %zu of %zu file%s into %s\n", files - failures.size(), files, files == 1 ? "" : "s",
                    outDir.c_str());
    if (failures.empty()) return;
    std::fprintf(stderr, "velmora: %zu of %zu file%s failed:\n", failures.size(), files, files == 1 ? "" : "s");
    for (const FileFailure& f : failures) std::fprintf(stderr, "  %s: %s\n", f.file.c_str(), f.reason.c_str());
}

}  // namespace

int ConvertBatch(const ConvertRequest& request) {
    std::vector<std::string> outputs;
    std::string error;
    if (!PlanBatchOutputs(request.files, request.outDir, request.format, &outputs, &error)) return UsageError(error);
    if (!EnsureDirectory(request.outDir, &error)) {
        std::fprintf(stderr, "velmora: %s\n", error.c_str());
        return kExitFailure;
    }
    std::vector<FileFailure> failures;
    {
        // Reading, each transform and saving each report progress.
        const int steps = 2 + static_cast<int>(request.transforms.size());
        BatchProgress progress(request.files.size(), steps, !IsQuiet());
        for (size_t i = 0; i < request.files.size(); ++i) {
            progress.StartFile(i, BaseName(request.files[i]));
            std::string reason;
            if (!ConvertFile(request.files[i], outputs[i], request, &reason))
                failures.push_back({request.files[i], reason});
        }
    }
    ReportBatch(request.files.size(), request.outDir, failures);
    return failures.empty() ? kExitOk : kExitFailure;
}

}  // namespace velmora::cli

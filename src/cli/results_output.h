#pragma once

#include "cli_options.h"
#include "results/result_formats.h"
#include "resume_file.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace nomispot::cli {

// Where the rows of a list go, run by run: standard output in the format asked for, or the file
// of --resume. Each run's rows are written at once and flushed, so an interruption between runs
// leaves only whole rows; a json array is opened with the first rows and closed by finish().
class ResultsOutput {
public:
    ResultsOutput(std::FILE* out, CliFormat format);
    explicit ResultsOutput(ResumeFile file);

    // One run's rows (none for candidates already written); fails with the message the user
    // gets.
    Status writeRun(const RunResults& results, bool onlyAvailable);
    // Closes the output: a json array gets its end; with nothing written yet, an empty result is
    // written only when complete (a check of no names).
    Status finish(bool complete);

    // The file of --resume; nullptr for standard output.
    const ResumeFile* resume() const { return m_resume ? &*m_resume : nullptr; }

private:
    Status put(const QByteArray& bytes);
    Status begin();

    std::FILE* m_out = nullptr;
    CliFormat m_format;
    std::optional<ResumeFile> m_resume;
    bool m_begun = false;
    bool m_anyRow = false;
};

} // namespace nomispot::cli

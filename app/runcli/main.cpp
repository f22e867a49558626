// quorvane-run: runs a test plan against an encoder without a window, for labs that test a batch
// of encoders or a new firmware by script. See --help.

#include "app/runcli/CommandRun.h"
#include "app/runcli/RunCommandLine.h"
#include "app/testplan/PlanFile.h"
#include "app/tonecheck/LimitsFile.h"
#include "app/tonepicture/FontsWithoutWindow.h"
#include "framework/ErrorReport.h"
#include "runtime/RegularFile.h"
#include "runtime/StandardOutput.h"

#include <QCoreApplication>
#include <cstdio>
#include <filesystem>

namespace {

constexpr std::size_t PlanFileMaxBytes = 1024 * 1024;

int Refuse(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", RunProgramFile.data(), message.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const auto parsed = ParseRunCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.Options) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", RunProgramFile.data(),
                     parsed.Error.c_str(), RunProgramFile.data());
        return 2;
    }
    const TRunOptions& options = *parsed.Options;
    if (options.Help)
        return PrintOnStandardOutput(RunProgramFile, RunUsageText());

    const TRegularFileRead file = ReadRegularFile(options.Plan, PlanFileMaxBytes + 1);
    if (file.Outcome != TRegularFileOutcome::Read)
        return Refuse("cannot read " + options.Plan + ": " +
                      (file.Problem.empty() ? "no such file" : file.Problem));
    if (file.Text.size() > PlanFileMaxBytes)
        return Refuse(options.Plan + " is larger than 1 MiB");
    TParsedPlan plan =
        ParseTestPlan(file.Text, std::filesystem::path(options.Plan).filename().string());
    for (const std::string& message : plan.Messages)
        std::fprintf(stderr, "%s\n", message.c_str());
    if (!plan.Plan)
        return 2;

    // Pictures and the report need fonts, not a display: it runs over ssh or from a script.
    const auto application = StartFontsWithoutWindow(RunProgramFile.data());
    // Nobody is there to close a box: whatever the port or the input report goes to stderr.
    const TErrorReportCapture reports([](const std::string&, const std::string& text) {
        std::fprintf(stderr, "%s: %s\n", RunProgramFile.data(), text.c_str());
    });
    const std::filesystem::path programFolder =
        QCoreApplication::applicationDirPath().toStdString();
    const TLoadedLimits limits = LoadToneLimits(LimitsFileCandidates(programFolder));
    for (const std::string& message : limits.Messages)
        std::fprintf(stderr, "%s\n", message.c_str());

    TCommandRun run(options, std::move(*plan.Plan), limits.Limits);
    run.OnEnd = [](int status) { QCoreApplication::exit(status); };
    if (!run.Start())
        return 2;
    return QCoreApplication::exec();
}

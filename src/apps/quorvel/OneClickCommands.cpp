#include "OneClickCommands.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <fmt/core.h>
#include <CLI/CLI.hpp>

#include "CliContext.h"
#include "JsonText.h"
#include "oneclick/HeadlessSession.h"
#include "oneclick/Messages.h"
#include "oneclick/OneClickSettings.h"
#include "oneclick/TerminalView.h"
#include "platform/text/CaseInsensitive.h"
#include "platform/wineprefix/WinePrefixMachine.h"

namespace quorvel::cli {
namespace {

using oneclick::ScanCategory;

struct Options {
    bool repair = false;
    bool unattended = false;
    bool json = false;
    std::string categories;
    // `oneclick options`
    std::string storeCategories;
    std::string storeScanfix;
};

// The run a Ctrl+C cancels. A signal handler may only touch a lock-free atomic.
std::atomic<oneclick::OneClickRun*> gInterruptible{nullptr};

extern "C" void onInterrupt(int) {
    if (auto* run = gInterruptible.load()) run->requestCancel();
}

// Installs the Ctrl+C handler for the lifetime of the object.
class InterruptScope {
public:
    explicit InterruptScope(oneclick::OneClickRun& run) {
        gInterruptible.store(&run);
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptScope() {
        sigaction(SIGINT, &previous_, nullptr);
        gInterruptible.store(nullptr);
    }
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

private:
    struct sigaction previous_ {};
};

// "registry,junk" -> ticks; nullopt (after a message) for an unknown name.
std::optional<oneclick::Selection> parseCategories(const std::string& list) {
    oneclick::Selection selection{};
    std::size_t start = 0;
    while (start <= list.size()) {
        const auto comma = list.find(',', start);
        const auto end = comma == std::string::npos ? list.size() : comma;
        std::string name = list.substr(start, end - start);
        while (!name.empty() && name.front() == ' ')
            name.erase(name.begin());
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        if (!name.empty()) {
            const auto category = oneclick::CategoryFromName(name);
            if (!category) {
                fail("unknown category \"" + name +
                     "\" (registry, shortcuts, startup, junk, tracks, spyware)");
                return std::nullopt;
            }
            selection[oneclick::Index(*category)] = true;
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return selection;
}

// What the page shows after one pass, with the counts behind it.
struct Shown {
    struct Row {
        ScanCategory category;
        std::string title;
        bool selected = false;
        std::string text;
        bool highlight = false;
        std::int64_t count = 0;
        std::int64_t bytes = 0;
    };
    std::vector<Row> rows;
    std::string summary;
    std::string button;
};

Shown capture(oneclick::HeadlessSession& session, const oneclick::TerminalView& view) {
    Shown shown;
    auto& run = session.run();
    for (const auto c : oneclick::kAllCategories) {
        const auto& tasks = *session.categories()[oneclick::Index(c)];
        shown.rows.push_back({c, oneclick::Title(session.context().language, c), run.selected(c),
                              view.result(c).text, view.result(c).highlight, tasks.resultCount(),
                              tasks.sizeSum()});
    }
    shown.summary = view.summary();
    shown.button = view.startText();
    return shown;
}

void printShown(const Shown& shown) {
    for (const auto& row : shown.rows) {
        const std::string text =
            row.selected ? (row.text.empty() ? "-" : row.text) : std::string("(not selected)");
        fmt::print("  {:<26} {}{}\n", row.title, text, row.highlight ? "  [details]" : "");
    }
    if (!shown.summary.empty()) fmt::print("{}\n", shown.summary);
}

std::string shownJson(const Shown& shown) {
    std::string out = "{\"categories\": [";
    bool first = true;
    for (const auto& row : shown.rows) {
        out += fmt::format(
            "{}\n    {{\"key\": {}, \"title\": {}, \"selected\": {}, \"result\": {}, "
            "\"highlight\": {}, \"count\": {}, \"bytes\": {}}}",
            first ? "" : ",", jsonString(oneclick::Info(row.category).cliName),
            jsonString(row.title), row.selected, jsonString(row.text), row.highlight, row.count,
            row.bytes);
        first = false;
    }
    out += fmt::format("\n  ], \"summary\": {}, \"button\": {}}}", jsonString(shown.summary),
                       jsonString(shown.button));
    return out;
}

int runOneClick(CliContext& cli, const Options& options) {
    if (options.repair && options.unattended) {
        return fail("--repair and --unattended cannot be used together");
    }
    std::optional<oneclick::Selection> override;
    if (!options.categories.empty()) {
        override = parseCategories(options.categories);
        if (!override) return 1;
    }
    auto* machine = cli.machineForWriting();
    if (!machine) return 1;
    if (const auto problems = machine->hiveProblems(); !problems.empty()) {
        for (const auto& p : problems) {
            fmt::print(stderr, "quorvel: {}:{}: {}\n", p.file.string(), p.line, p.text);
        }
        return fail("the machine's registry could not be read completely");
    }

    oneclick::TerminalView view(stderr, isatty(STDERR_FILENO) != 0);
    oneclick::HeadlessSession session(*machine, CliContext::programDir(), view);
    std::array<std::string, oneclick::kCategoryCount> titles;
    for (const auto c : oneclick::kAllCategories) {
        titles[oneclick::Index(c)] = oneclick::Title(session.context().language, c);
    }
    view.setTitles(titles);
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 20)
        view.setColumns(size.ws_col);
    auto& run = session.run();
    if (override) run.setSelection(*override);
    const InterruptScope interrupt(run);

    int exitCode = 0;
    std::string json = fmt::format("{{\"machine\": {}", jsonString(machine->displayName()));
    if (!options.json)
        fmt::print("Machine: {} ({})\n", machine->displayName(), cli.machineSource());

    if (options.unattended) {
        const bool scanfix = oneclick::LoadScanFix(machine->registry());
        const auto result = run.runUnattended(scanfix);
        const Shown shown = capture(session, view);
        std::string lines;
        for (const auto& line : result.lines)
            lines += (lines.empty() ? "" : ", ") + jsonString(line);
        json += fmt::format(
            ", \"scanfix\": {}, \"result\": {}, \"report\": [{}], \"repaired\": {}, "
            "\"cancelled\": {}, \"closes\": {}, \"backupEntry\": {}, \"repairProblem\": {}",
            scanfix, shownJson(shown), lines, result.repaired, result.cancelled,
            result.closesAfterBalloon, jsonString(result.repaired ? run.currentBackupId() : ""),
            jsonString(run.repairProblem()));
        if (!options.json) {
            printShown(shown);
            if (result.cancelled) {
                fmt::print("Cancelled.\n");
            } else {
                fmt::print("\n{}\n", view.balloonTitle());
                for (const auto& line : result.lines)
                    fmt::print("  {}\n", line);
                if (result.repaired && !run.currentBackupId().empty()) {
                    fmt::print("Backup entry: {}\n", run.currentBackupId());
                }
                fmt::print("{}\n", result.closesAfterBalloon
                                       ? "The pass is over."
                                       : "Findings wait for a repair (quorvel oneclick --repair).");
            }
        }
        if (result.cancelled) exitCode = 130;
    } else {
        run.start();
        const Shown scanned = capture(session, view);
        json += ", \"scan\": " + shownJson(scanned);
        if (!options.json) printShown(scanned);
        if (run.lastPassCancelled()) {
            if (!options.json) fmt::print("Cancelled.\n");
            exitCode = 130;
        } else if (options.repair && run.startTag() == oneclick::StartTag::Repair) {
            const std::string before = run.currentBackupId();
            run.start();
            const Shown repaired = capture(session, view);
            const std::string entry =
                run.currentBackupId() != before ? run.currentBackupId() : std::string();
            json += fmt::format(", \"repair\": {}, \"backupEntry\": {}, \"repairProblem\": {}",
                                shownJson(repaired), jsonString(entry),
                                jsonString(run.repairProblem()));
            if (!options.json) {
                fmt::print("\nRepair:\n");
                printShown(repaired);
                if (!entry.empty()) fmt::print("Backup entry: {}\n", entry);
            }
            if (run.lastPassCancelled()) exitCode = 130;
        }
    }
    if (!run.repairProblem().empty()) {
        fmt::print(stderr, "quorvel: {}\n", run.repairProblem());
        exitCode = 1;
    }
    // Settings written on the way (default ticks and options, the ignore-list key).
    if (const auto s = machine->registry().flush(); !s) {
        fmt::print(stderr, "quorvel: the settings could not be saved: {}\n", s.message());
    }
    if (options.json) fmt::print("{}}}\n", json);
    return exitCode;
}

std::optional<bool> parseSwitch(const std::string& text) {
    for (const auto on : {"on", "true", "1", "yes"}) {
        if (platform::text::iequals(text, on)) return true;
    }
    for (const auto off : {"off", "false", "0", "no"}) {
        if (platform::text::iequals(text, off)) return false;
    }
    return std::nullopt;
}

int oneClickOptions(CliContext& cli, const Options& options) {
    std::optional<oneclick::Selection> selection;
    if (!options.storeCategories.empty()) {
        selection =
            parseCategories(options.storeCategories == "none" ? "" : options.storeCategories);
        if (!selection) return 1;
    }
    std::optional<bool> scanfix;
    if (!options.storeScanfix.empty()) {
        scanfix = parseSwitch(options.storeScanfix);
        if (!scanfix) return fail("--scanfix takes on or off");
    }
    auto* machine = cli.machineForWriting();
    if (!machine) return 1;
    auto& registry = machine->registry();
    if (selection && !oneclick::SaveSelection(registry, *selection)) {
        return fail("the ticked categories could not be stored");
    }
    auto autocare = oneclick::LoadAutocareOptions(registry);
    if (scanfix) {
        autocare.scanfix = *scanfix;
        if (!oneclick::SaveAutocareOptions(registry, autocare)) {
            return fail("the options could not be stored");
        }
    }
    const auto ticks = oneclick::LoadSelection(registry);
    if (const auto s = registry.flush(); !s)
        return fail("the settings could not be saved: " + s.message());
    for (const auto c : oneclick::kAllCategories) {
        fmt::print("{:<10} {}\n", oneclick::Info(c).cliName,
                   ticks[oneclick::Index(c)] ? "ticked" : "not ticked");
    }
    fmt::print("scanfix    {}\n", autocare.scanfix ? "on (the unattended pass repairs)"
                                                   : "off (the unattended pass only scans)");
    fmt::print("createrestorepoint {}\n", autocare.createRestorePoint ? "on" : "off");
    return 0;
}

}  // namespace

void registerOneClickCommands(CLI::App& app, CliContext& context) {
    auto options = std::make_shared<Options>();
    auto* cmd = app.add_subcommand(
        "oneclick", "The one-click pass: scan the ticked categories, optionally repair");
    cmd->add_flag("--repair", options->repair, "Repair what the scan found (after a backup)");
    cmd->add_flag("--unattended", options->unattended,
                  "The unattended pass of the scheduled task: scan, repair when the scanfix "
                  "option is on, print the report");
    cmd->add_option("--categories", options->categories,
                    "Categories for this run instead of the stored ticks, e.g. registry,junk");
    cmd->add_flag("--json", options->json, "Print the results as JSON");

    auto* opts = cmd->add_subcommand("options", "Show or store the ticked categories and scanfix");
    opts->add_option("--select", options->storeCategories,
                     "Store these categories as ticked (\"none\" unticks all)");
    opts->add_option("--scanfix", options->storeScanfix,
                     "on: the unattended pass repairs; off: it only scans");
    opts->callback([&context, options] { context.exitCode = oneClickOptions(context, *options); });

    cmd->callback([&context, options, opts] {
        if (opts->parsed()) return;
        context.exitCode = runOneClick(context, *options);
    });
}

}  // namespace quorvel::cli

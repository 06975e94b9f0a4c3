#pragma once
// The program environment every part uses: the program's name and port
// identity, the data directory, the program log, the error report box and the
// orderly end of the program. Collaborators are handed in, so tests build a
// fresh environment on fakes.
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/CommLog.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/InstanceLock.h"
#include "text/Resources.h"

namespace plyx::app {

struct ParameterSet;

// Thrown by ExitProgram when its hook returns (tests, or a caller that wants
// to unwind): the program is over, nothing after the call may run.
class ProgramExit : public std::exception {
public:
    explicit ProgramExit(int code) : code_(code) {}
    int code() const { return code_; }
    const char* what() const noexcept override { return "program exit"; }

private:
    int code_;
};

// Raised where a failed log write is found outside a run's waits: the action
// ends with the message of LogFailureMessage and the program ends.
class LogWriteError : public std::exception {
public:
    const char* what() const noexcept override { return "log write failure"; }
};

// What made a file operation fail, as the error report shows it.
struct FileError {
    std::int32_t Number = 0;   // classic run-time error number (53 file not found, 70 permission denied, ...)
    std::string Source;        // who reported it (the program name)
    std::string Description;   // the system's text
};
// FileError for the C errno value err; source names the reporter.
FileError FileErrorFromErrno(int err, std::string_view source, std::string_view detail = {});

// The user's documents folder when PLYX3_DOCUMENTS_DIR is not set:
// $HOME/Documents (from the password database when HOME is unset); "" when
// there is no home folder. The windowed program may install Qt's
// documents location instead (Environment::DocumentsFolder).
std::string DefaultDocumentsFolder();

class Environment {
public:
    Environment(link::CommLog& log, platform::Dialogs& dialogs, platform::Clock& clock,
                text::TextTables& tables);
    ~Environment();
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    // ---- program identity and port ----
    std::string ProgramName = "PLYX3";   // program file's base name in capitals
    std::string ExecutablePath;          // full path of the running program
    std::string CommandLine;             // this instance's own arguments, joined by single blanks
    std::string ComPortName;             // "COM" + number being tried or in use, or ""
    std::string PortCaptionPrefix;       // ComPortName + ": ", leader of window titles
    std::int32_t RequestedComPort = 0;   // REQCOMPORT; 0 = none
    std::optional<std::string> RefusedComPortValue;  // last REQCOMPORT value that named no port
    std::string PerPortPrefix;           // "C" + RequestedComPort + "." or ""
    std::int32_t ControllerFamily = 0;   // 1 = 4-axis (QM4DNCRouter), 2 = 2-axis (NCRouter2D)
    int VersionMajor = PLYX3_VERSION_MAJOR;
    int VersionMinor = PLYX3_VERSION_MINOR;
    int VersionRevision = PLYX3_VERSION_REVISION;

    // ProgramName + "LastStartup.log"
    std::string StartupLogName() const { return ProgramName + "LastStartup.log"; }

    // Sets ExecutablePath and ProgramName (base name without extension, in capitals).
    void SetProgramPath(std::string_view executablePath);

    // ---- injectable services ----
    // The documents folder used when PLYX3_DOCUMENTS_DIR is unset or empty;
    // "" means none. Defaults to DefaultDocumentsFolder.
    std::function<std::string()> DocumentsFolder;
    // Called last by ExitProgram with the exit code. The program's hook ends
    // the process; when the hook returns, ExitProgram throws ProgramExit.
    std::function<void(int)> ExitHook;
    // After an error (number, composed description) that ends the program:
    // brings a machine that may be moving to a stop and ends a run in
    // progress with the error in its record; answers the operator's sentence
    // on the machine's state ("" when no run was in progress). Unset: no run.
    std::function<std::string(std::int32_t, const std::string&)> EndRunAfterError;

    // ---- operations ----
    // Documents folder + "/" + ProgramName, created when missing. When there
    // is no documents folder or the directory cannot be created, shows the
    // message (texts 815/817, title 816) and ends through ExitProgram.
    std::string GetDataDirectory();

    // Closes the program log and, unless the file-name part of name is
    // empty, opens data directory + "/" + PerPortPrefix + that name afresh
    // (a symbolic link stays and its file is emptied) and writes the three
    // header lines. An existing working log (any name but the start-up
    // log's) is kept as name + ".1" (through a link, its target), as
    // rotation keeps it. A link that CheckLinks refuses, or a pipe, is told
    // (ReportRefused) and no log is open. Throws LogWriteError when a log
    // write failed, before or while opening.
    void OpenProgramLog(const std::string& name);
    // Logs and shows text (a dictionary text) with the reason a file of the
    // data folder was not opened.
    void ReportRefused(const std::string& text, const std::string& why);

    // "--->" + text as a time-stamped event line; dropped while no log is open.
    void LogLine(std::string_view text);

    // A write of the program log failed (it is closed since, and lines are dropped).
    bool LogFailed() const { return log_.WriteFailure() != nullptr; }
    // The operator's message for that failure: the file, the reason, the end.
    std::string LogFailureMessage() const;
    // Set while the program ends after an error: no further window action
    // runs (the last message box lets the main window's timer tick).
    bool Ending = false;

    // Message box, title context, text: context and the lines "Error n",
    // "...Hex error code = X", "...Source = s", "...Description = d".
    void ShowErrorReport(std::string_view context, std::int32_t number, std::string_view source,
                         std::string_view description);
    void ShowErrorReport(std::string_view context, const FileError& error);

    // Resource texts through this environment's tables; messages titled ProgramName.
    std::string GetResourceText(text::ResourceId id, std::string_view leader = {},
                                std::string_view trailer = {}) const;
    void ShowResourceMessage(text::ResourceId id, std::string_view leader = {},
                             std::string_view trailer = {});

    // Work to do when the program ends (release the driver, the board link,
    // close the splash window); run in reverse order of registration.
    void AddExitAction(std::function<void()> action);
    // Runs the exit actions, closes the log and calls ExitHook; never returns.
    [[noreturn]] void ExitProgram(int code = 0);

    // Held for the life of an instance started for a port, so that a second
    // instance for the same port finds it taken before it touches any file.
    platform::InstanceLock PortFilesLock;

    link::CommLog& Log() { return log_; }
    platform::Dialogs& Dialogs() { return dialogs_; }
    platform::Clock& Clock() { return clock_; }
    text::TextTables& Tables() { return tables_; }
    const text::TextTables& Tables() const { return tables_; }

private:
    link::CommLog& log_;
    platform::Dialogs& dialogs_;
    platform::Clock& clock_;
    text::TextTables& tables_;
    std::vector<std::function<void()>> exitActions_;
};

// ---- file names ("/" separated) ----
std::string GetFileNameOf(std::string_view path);   // "a/b.cfg" -> "b.cfg"
std::string GetExtensionOf(std::string_view path);  // "a/b.cfg" -> "cfg", "" when none
// parent folder + "/" + base name + "." + extension ("a/b.cfg","fin" -> "a/b.fin");
// a path without folder gives base name + "." + extension.
std::string ReplaceExtension(std::string_view path, std::string_view extension);
std::string TrimAtNul(std::string_view text);       // text up to its first NUL

// The example models, shells and language files installed with the program:
// <program folder>/../share/plyx3/examples, so that any install prefix works.
std::string InstalledExamplesFolder(std::string_view programDirectory);

// The number of a COM port named by a REQCOMPORT value: 1 to 255 in decimal
// digits only; nothing for any other text.
std::optional<std::int32_t> ComPortNumber(std::string_view value);

// Command line: split at every single blank (empty tokens included).
std::vector<std::string> SplitCommandLine(std::string_view commandLine);
// Every token of env.CommandLine as a parameter line, not from the settings file.
void ParseCommandLine(Environment& env, ParameterSet& params);

}  // namespace plyx::app

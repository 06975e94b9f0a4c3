#include "app/Environment.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/utsname.h>
#include <system_error>
#include <unistd.h>

#include "app/Numbers.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"

namespace plyx::app {
namespace {

// Only the user may put files, and so links, in the data folder.
constexpr unsigned kFolderMode = 0755;

// Creates path and any missing parents; true when it is a folder afterwards.
bool CreateFolderPath(const std::string& path) {
    if (platform::FolderExists(path)) return true;
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        std::string prefix = path.substr(0, slash);
        if (!platform::FolderExists(prefix) && !platform::CreateFolder(prefix, kFolderMode)) return false;
    }
    return platform::CreateFolder(path, kFolderMode);
}

// Leading decimal digits of s as a number, advancing s past them and one dot.
unsigned TakeNumber(std::string_view& s) {
    unsigned v = 0;
    std::size_t i = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && v < 100000) v = v * 10 + static_cast<unsigned>(s[i++] - '0');
    if (i < s.size() && s[i] == '.') ++i;
    s.remove_prefix(i);
    return v;
}

}  // namespace

FileError FileErrorFromErrno(int err, std::string_view source, std::string_view detail) {
    FileError e;
    e.Source = std::string(source);
    e.Description = detail.empty() ? std::string(std::strerror(err)) : std::string(detail);
    switch (err) {
        case ENOENT: e.Number = 53; break;   // File not found
        case ENOTDIR: e.Number = 76; break;  // Path not found
        case EACCES:
        case EPERM:
        case EROFS: e.Number = 70; break;    // Permission denied
        case ENOSPC:
        case EDQUOT: e.Number = 61; break;   // Disk full
        case EMFILE:
        case ENFILE: e.Number = 67; break;   // Too many files
        case EIO: e.Number = 57; break;      // Device I/O error
        case ENAMETOOLONG: e.Number = 52; break;  // Bad file name or number
        default: e.Number = 75; break;       // Path/File access error
    }
    return e;
}

std::string DefaultDocumentsFolder() {
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) {
        home = h;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir) {
        home = pw->pw_dir;
    }
    if (home.empty()) return {};
    while (home.size() > 1 && home.back() == '/') home.pop_back();
    return home + "/Documents";
}

Environment::Environment(link::CommLog& log, platform::Dialogs& dialogs, platform::Clock& clock,
                         text::TextTables& tables)
    : log_(log), dialogs_(dialogs), clock_(clock), tables_(tables) {
    DocumentsFolder = DefaultDocumentsFolder;
    tables_.LogLine = [this](std::string_view line) { LogLine(line); };
}

Environment::~Environment() { tables_.LogLine = nullptr; }

void Environment::SetProgramPath(std::string_view executablePath) {
    std::string path(executablePath);  // the view may point into ExecutablePath itself
    std::string file = GetFileNameOf(path);
    ExecutablePath = std::move(path);
    std::size_t dot = file.rfind('.');
    if (dot != std::string::npos && dot > 0) file.erase(dot);
    if (!file.empty()) ProgramName = platform::UpperAscii(file);
}

std::string Environment::GetDataDirectory() {
    std::string folder;
    if (const char* over = std::getenv("PLYX3_DOCUMENTS_DIR"); over && *over) {
        folder = over;
    } else if (DocumentsFolder) {
        folder = DocumentsFolder();
    }
    folder = TrimAtNul(folder);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder.empty()) {
        dialogs_.ShowMessage(GetResourceText(815), GetResourceText(816), platform::MessageButtons::Ok);
        ExitProgram();
    }
    std::string dir = (folder == "/" ? std::string() : folder) + "/" + ProgramName;
    if (!platform::FolderExists(dir) && !CreateFolderPath(dir)) {
        dialogs_.ShowMessage(GetResourceText(817) + " (" + dir + ")", GetResourceText(816),
                             platform::MessageButtons::Ok);
        ExitProgram();
    }
    return dir;
}

void Environment::OpenProgramLog(const std::string& name) {
    std::string file = GetFileNameOf(TrimAtNul(name));
    std::string path = file.empty() ? std::string() : GetDataDirectory() + "/" + PerPortPrefix + file;
    std::string why;
    // Told in the log that is still open, before it closes.
    const platform::LinkTrust links = path.empty() ? platform::LinkTrust::NoLink : platform::CheckLinks(path, &why);
    if (links == platform::LinkTrust::Refuse) ReportRefused(GetResourceText(1150), why);
    log_.LogFileClose();
    if (LogFailed()) throw LogWriteError();
    if (path.empty() || links == platform::LinkTrust::Refuse) return;
    if (file != StartupLogName()) {
        // The last working log may hold what a killed instance left of a run.
        const std::string target = platform::ResolveSymlinks(path);
        if (platform::FileExists(target) && !platform::IsSymlink(target) &&
            ::rename(target.c_str(), (target + ".1").c_str()) != 0) {
            // Then it is emptied below like any old log.
        }
    }
    if (links == platform::LinkTrust::Follow) {
        // The operator's link (to another disk, or a device) stays.
        if (platform::FileExists(path) && ::truncate(path.c_str(), 0) != 0) {
            // Then the log goes on after the old lines, as an appended log does.
        }
    } else {
        platform::DeleteFile(path);
    }
    try {
        log_.LogFileOpen(path);
    } catch (const link::LogFileRefused& e) {
        ReportRefused(GetResourceText(e.Link() ? 1150 : 1151), e.what());
        return;
    } catch (const std::system_error& e) {
        // Go on without a log rather than end the program over it.
        ShowErrorReport("Trying to open log file " + path, FileErrorFromErrno(e.code().value(), ProgramName));
        return;
    }
    LogLine(ProgramName + " version " + std::to_string(VersionMajor) + "." + std::to_string(VersionMinor) +
            "." + std::to_string(VersionRevision));
    LogLine("Loaded from: <" + ExecutablePath + ">");
    utsname u{};
    unsigned major = 0, minor = 0, patch = 0;
    if (::uname(&u) == 0) {
        std::string_view rel(u.release);
        major = TakeNumber(rel);
        minor = TakeNumber(rel);
        patch = TakeNumber(rel);
    }
    std::uint32_t word = ((patch & 0x7FFFu) << 16) | ((minor & 0xFFu) << 8) | (major & 0xFFu);
    LogLine("Linux version " + std::to_string(major & 0xFFu) + "." + std::to_string(minor & 0xFFu) +
            ", full encoded OS version =0x" + HexText(static_cast<std::int32_t>(word)));
    if (LogFailed()) throw LogWriteError();
}

void Environment::ReportRefused(const std::string& text, const std::string& why) {
    const std::string message = text + "\r\n" + why;
    LogLine(message);
    dialogs_.ShowMessage(message, PortCaptionPrefix + ProgramName, platform::MessageButtons::Ok);
}

std::string Environment::LogFailureMessage() const {
    const link::LogWriteFailure* f = log_.WriteFailure();
    if (f == nullptr) return {};
    return GetResourceText(960) + " " + f->path + ": " + f->reason + "\r\n" + GetResourceText(961);
}

void Environment::LogLine(std::string_view text) {
    std::string line = "--->";
    line.append(text);
    log_.LogFileWriteTime(link::kLogEvent, line);
}

void Environment::ShowErrorReport(std::string_view context, std::int32_t number, std::string_view source,
                                  std::string_view description) {
    std::string text(context);
    text += "\r\n" + GetResourceText(811) + " " + std::to_string(number);
    text += "\r\n" + GetResourceText(812) + " " + HexText(number);
    text += "\r\n" + GetResourceText(813) + " ";
    text += source;
    text += "\r\n" + GetResourceText(814) + " ";
    text += description;
    dialogs_.ShowMessage(text, std::string(context), platform::MessageButtons::Ok);
}

void Environment::ShowErrorReport(std::string_view context, const FileError& error) {
    ShowErrorReport(context, error.Number, error.Source, error.Description);
}

std::string Environment::GetResourceText(text::ResourceId id, std::string_view leader,
                                         std::string_view trailer) const {
    return text::GetResourceText(tables_, id, leader, trailer);
}

void Environment::ShowResourceMessage(text::ResourceId id, std::string_view leader, std::string_view trailer) {
    text::ShowResourceMessage(tables_, dialogs_, ProgramName, id, leader, trailer);
}

void Environment::AddExitAction(std::function<void()> action) { exitActions_.push_back(std::move(action)); }

void Environment::ExitProgram(int code) {
    std::vector<std::function<void()>> actions;
    actions.swap(exitActions_);
    for (auto it = actions.rbegin(); it != actions.rend(); ++it) {
        try {
            (*it)();
        } catch (...) {
            // The program is ending; one failed release must not stop the others.
        }
    }
    // Every way out leaves the log with its closing event, so a reader can
    // tell an end from a crash.
    log_.LogFileClose();
    if (ExitHook) ExitHook(code);
    throw ProgramExit(code);
}

std::string GetFileNameOf(std::string_view path) {
    std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string InstalledExamplesFolder(std::string_view programDirectory) {
    while (programDirectory.size() > 1 && programDirectory.back() == '/') programDirectory.remove_suffix(1);
    const std::size_t slash = programDirectory.rfind('/');
    std::string prefix = slash == std::string_view::npos ? std::string(".")
                                                          : std::string(programDirectory.substr(0, slash));
    return prefix + "/share/plyx3/examples";
}

std::string GetExtensionOf(std::string_view path) {
    std::string file = GetFileNameOf(path);
    std::size_t dot = file.rfind('.');
    return dot == std::string::npos ? std::string() : file.substr(dot + 1);
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
    std::size_t slash = path.rfind('/');
    std::string folder;
    std::string file;
    if (slash == std::string_view::npos) {
        file = std::string(path);
    } else {
        folder = std::string(path.substr(0, slash));
        file = std::string(path.substr(slash + 1));
    }
    std::size_t dot = file.rfind('.');
    if (dot != std::string::npos) file.erase(dot);
    std::string out;
    if (slash != std::string_view::npos) out = folder + "/";
    out += file;
    out += ".";
    out += extension;
    return out;
}

std::string TrimAtNul(std::string_view text) {
    std::size_t nul = text.find('\0');
    return std::string(nul == std::string_view::npos ? text : text.substr(0, nul));
}

std::optional<std::int32_t> ComPortNumber(std::string_view value) {
    if (value.empty()) return std::nullopt;
    std::int32_t n = 0;
    for (char c : value) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
        if (n > 255) return std::nullopt;
    }
    if (n < 1) return std::nullopt;
    return n;
}

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    std::vector<std::string> tokens;
    if (commandLine.empty()) return tokens;
    std::size_t start = 0;
    for (;;) {
        std::size_t blank = commandLine.find(' ', start);
        if (blank == std::string_view::npos) {
            tokens.emplace_back(commandLine.substr(start));
            break;
        }
        tokens.emplace_back(commandLine.substr(start, blank - start));
        start = blank + 1;
    }
    return tokens;
}

}  // namespace plyx::app

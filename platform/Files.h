#pragma once
// File services: existence, folders, deletion, whole-file reads and
// crash-safe whole-file writes.
#include <cstddef>
#include <optional>
#include <string>

namespace plyx::platform {

bool FileExists(const std::string& path);     // a regular file (or link to one)
bool FolderExists(const std::string& path);
// True when it exists afterwards; a new folder gets mode & ~umask.
bool CreateFolder(const std::string& path, unsigned mode = 0777);
bool DeleteFile(const std::string& path);     // true when it is gone afterwards
// True when folder directly holds a regular file whose name ends in
// "." + extension (case as given, like the file dialogs' patterns); false
// for a missing or unreadable folder.
bool FolderHoldsFileWithExtension(const std::string& folder, const std::string& extension);

// Largest file read whole; anything bigger is refused rather than eat memory.
inline constexpr std::size_t kMaxReadBytes = 64u << 20;

// The bytes of a regular file; nullopt with err set to the errno value when
// it cannot be opened or read: a folder gives EISDIR, a device or pipe
// EINVAL, a file over maxBytes EFBIG.
std::optional<std::string> ReadWholeFile(const std::string& path, int& err,
                                         std::size_t maxBytes = kMaxReadBytes);
// The same with a readable error text.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string* errorText = nullptr,
                                         std::size_t maxBytes = kMaxReadBytes);

// The file path finally names: symbolic links followed (a relative target
// against its link's folder), at most 40 of them. path itself when it is no
// link; a dangling link gives the path it points to.
std::string ResolveSymlinks(const std::string& path);
bool IsSymlink(const std::string& path);

// Whether the files of the data folder may be opened through symbolic links.
enum class LinkTrust {
    NoLink,  // path is no link: open it without following one put there since
    Follow,  // every link on the way is the user's (or root's), in a folder only they can write
    Refuse,  // someone else could have made or changed a link on the way
};
// Walks the links from path to the file it names (at most 40). A link is
// followed only when it and its folder belong to the user or root and that
// folder gives no write permission to group or others, sticky or not.
// why gets the reason for Refuse.
LinkTrust CheckLinks(const std::string& path, std::string* why = nullptr);

// Writes content to a temporary file beside the file path names (through
// symbolic links, which stay), syncs it and renames it over that file, so
// readers see the old or the new content, never a mix. An existing file
// keeps its permissions (and, where allowed, its owner); a new one gets the
// user's umask. False with errorText and errno set on failure; the old file
// is then untouched.
bool WriteFileAtomically(const std::string& path, const std::string& content,
                         std::string* errorText = nullptr);

// The program's own small files (the run journal, the machine counters):
// a symbolic link in their place is never followed (nobody has a reason to
// make one), only taken away. WriteOwnFile replaces the file whole as
// WriteFileAtomically does; ReadOwnFile gives nullopt for a link.
bool WriteOwnFile(const std::string& path, const std::string& content, std::string* errorText = nullptr);
std::optional<std::string> ReadOwnFile(const std::string& path, std::size_t maxBytes);

// The last maxBytes of a regular file (all of it when smaller); nullopt
// when it cannot be read.
std::optional<std::string> ReadFileTail(const std::string& path, std::size_t maxBytes);

// Deletes the temporary files in folder that a WriteFileAtomically cut short
// (kill, power cut) left behind: only regular files named as it names them,
// and only those of writers that are no longer running. Gives how many.
int RemoveStaleTemporaryFiles(const std::string& folder);
// Appends to path (created with the user's umask when missing) in one
// write with O_APPEND, then syncs it: a reader or a second writer never sees
// half of it. When the file was empty, header goes first, in the same write;
// when it does not end with a line end (an older writer cut short), a CR LF
// goes first, so that the record starts on a line of its own. A failed or
// short write (disk full) is cut back off: the record is there whole or not
// at all. links as CheckLinks gave it (Refuse writes nothing). False with
// errorText on failure.
bool AppendRecord(const std::string& path, const std::string& header, const std::string& record,
                  std::string* errorText = nullptr, LinkTrust links = LinkTrust::Follow);

// Path of the running executable ("/usr/bin/plyx3"); empty when unknown.
std::string ExecutablePath();

}  // namespace plyx::platform

#pragma once
// Reading and writing the parameter set: defaults, one parameter line, the
// settings file and shell/model/finishing files, and the setters and field
// checks of the shell options dialog.
//
// File format: one "KEY=VALUE" per line; keys match without regard to case
// or blanks. Written files are UTF-8 with CR LF line ends and are replaced
// atomically (temporary file in the same folder, then rename).
#include <cstdint>
#include <string>
#include <string_view>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "text/Resources.h"

namespace plyx::app {

// Block bits of WriteParameterFile.
inline constexpr int kMachineBlock = 1;
inline constexpr int kShellBlock = 2;

void LoadMachineDefaults(ParameterSet& params);
void LoadShellDefaults(ParameterSet& params);
void LoadDefaults(ParameterSet& params);  // machine, then shell

// One parameter line into the set (and, for REQCOMPORT, COMPORT,
// DISPLAYRESOURCEID and RESOURCEFILE, into env). COMPORT counts only when
// fromSettingsFile. Logs "   Parsing KEY=value" for every line with a key.
void ParseParameterLine(Environment& env, ParameterSet& params, std::string_view line,
                        bool fromSettingsFile);

// "" = the settings file (missing: silently skipped; there but unreadable or
// over 1 MB: SettingsUnreadable set, logged and shown); otherwise the named
// file, which becomes CurrentShellFile (cleared, after an error report, when
// it cannot be opened or is over 1 MB). Clears ShellEdited. Values read that
// no run can use are logged and, with showUnusable, listed in one message.
void LoadParameterFile(Environment& env, ParameterSet& params, const std::string& fileName,
                       bool showUnusable = true);

// "" = the settings file. blocks: kMachineBlock | kShellBlock, 0 = both.
// True when written; on failure the error report is shown, the old file and
// ShellEdited/CurrentShellFile stay as they were. A named file written
// clears ShellEdited and becomes CurrentShellFile. The settings file is
// refused (logged, false) while SettingsUnreadable is set. Control
// characters of text values are left out.
bool WriteParameterFile(Environment& env, ParameterSet& params, const std::string& fileName,
                        int blocks);

// Appends key + "=" + NumberText(number) + CR LF to file and logs the line.
void WriteParameterLine(Environment& env, std::string& file, std::string_view key, double number);

// data directory + "/" + PerPortPrefix + ProgramName + ".CFG"
std::string GetSettingsFilePath(Environment& env);

// Assign and set ShellEdited when the value differs.
void SetDoubleIfChanged(ParameterSet& params, double& target, double value);
void SetIntegerIfChanged(ParameterSet& params, std::int16_t& target, std::int16_t value);

// Entry checks of the options dialog: false when acceptable; true after
// showing label + " " + text 800 ("must be > 0") when not.
bool ValidatePositive(Environment& env, std::string_view text, std::string_view label);
bool ValidateNonNegative(Environment& env, std::string_view text, std::string_view label);
// The same with the label taken from a resource text.
bool ValidatePositiveField(Environment& env, std::string_view text, text::ResourceId labelId);
bool ValidateNonNegativeField(Environment& env, std::string_view text, text::ResourceId labelId);

}  // namespace plyx::app

#pragma once
// The last runs of the production record (<data>/C<n>.runs.csv), read
// back for the status page: only the file's end is read, so a record of
// years costs no more than one of a day.
#include <cstddef>
#include <string>
#include <vector>

#include "status/StatusSnapshot.h"

namespace plyx::status {


// The last count runs of the record at path, newest first; the header line
// and lines that are no run are left out. followLinks false: a symbolic
// link at path is not followed (nothing is read). Nothing (no error) for a
// file that is missing, is no regular file or cannot be read.
std::vector<RecordedRun> ReadRecordTail(const std::string& path, std::size_t count, bool followLinks);

}  // namespace plyx::status

// The layout of a template's archive as its bytes say, read apart from libzip:
// libzip neither notices entries whose bytes overlap nor tells where an entry
// lies in the file.
#pragma once

#include <zip.h>

#include <cstdint>
#include <string>
#include <vector>

namespace reportword::docx {

// Where libzip looks for the end record, in its order: every signature whose
// record and comment fit in the file, from the first to the last, within its
// buffer of the last 65,578 bytes less the room of a Zip64 locator in front.
std::vector<std::uint64_t> EndRecordCandidates(const std::string& bytes);

// Refuses a package whose entries share bytes (`names` are libzip's). Like
// libzip, which takes the first end record whose directory it can read, this
// walks every candidate: bytes after the directory may hold an older end
// record or a stray signature. A candidate whose directory this reader cannot
// read, or whose entries are not libzip's, is not the one libzip uses. Every
// one that agrees with libzip is checked, so that a second directory of the
// same entries cannot hide a layout that libzip might prefer. Throws
// Failure naming `package`.
void CheckEntryLayout(const std::string& bytes, zip_t* archive, const std::string& package,
                      const std::vector<std::string>& names);

}  // namespace reportword::docx

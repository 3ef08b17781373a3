// What the check finds in one template: every placeholder occurrence with what
// the runs do with it, and the findings, each to be told as one line.
#pragma once

#include <string>
#include <vector>

#include "docx/template_inspection.h"

namespace reportword::check {

using docx::HeaderFooterKind;
using docx::StoryPart;

// Where a text stands in a template.
struct Place {
  int section = 1;
  StoryPart part = StoryPart::kBody;
  HeaderFooterKind kind = HeaderFooterKind::kDefault;  // of a header or footer
  bool text_box = false;
};

// Which documents of a run replace an occurrence.
struct Filling {
  bool document1 = false;
  bool document2 = false;
  bool when_not_blank = false;  // and only when the value for it is not blank

  // Every run of the mode replaces it (given a value that is not blank).
  bool Always() const { return document1 && document2; }
};

struct Occurrence {
  std::string placeholder;  // as the search looks for it
  std::string text;         // as written in the template
  Place place;
  Filling network;
  Filling road;
  bool in_filled_header = false;  // the first section's primary header
  int number = 0;                 // there: 1 for the first of its placeholder, and so on
  bool shown = false;             // a generated document shows it
};

enum class FindingKind {
  kShownUnfilled,       // placeholder outside the filled header, shown as written
  kFirstPageHeader,     // the last section has a header of its own for the first page
  kEvenPageHeader,      // even pages have headers of their own
  kOtherPrimaryHeader,  // the documents show another primary header
  kNearMiss,            // text that looks like a placeholder
  kSplitByField,
  kInFieldCode,
  kInDeletedText,
  kSplitBySoftHyphen,
  kRepeatDocument1Only,  // an extra occurrence only document 1 replaces
  kRepeatNeverFilled,    // an extra occurrence no document replaces
  kColumns,              // the last section sets its text in columns
  kConverted,            // in another format: every run converts it with LibreOffice
};

// Why a near miss is not found; a set of these.
enum NearMissReason : unsigned {
  kOtherBrackets = 1,
  kMissingBracket = 2,
  kSpacesInside = 4,
  kOneCharacterOff = 8,
  kTwoCharactersOff = 16,
};

struct Finding {
  FindingKind kind = FindingKind::kShownUnfilled;
  Place place = {};
  std::string placeholder = {};  // the placeholder concerned, if any
  std::string text = {};         // near misses: the text as written
  unsigned reasons = 0;          // near misses: NearMissReason bits
  // A finding about a whole section: which one.
  int section = 0;
  // Repeats: the number of the occurrence, and how many a document fills.
  int occurrence = 0;
  int filled_at_most = 0;
  // Columns: how many the last section has.
  int columns = 0;
  // Near misses: found in the filled header; elsewhere even the right text
  // would not be filled.
  bool in_filled_header = false;
  // Converted templates: where the conversion a run needs comes from.
  enum class Conversion { kNoCache, kFromCache, kCachedNow } conversion = Conversion::kNoCache;
};

struct TemplateCheck {
  std::string path;
  std::string error;  // why the template cannot be read; then nothing else is set
  std::vector<Occurrence> occurrences;
  std::vector<Finding> findings;
};

}  // namespace reportword::check

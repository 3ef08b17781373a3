// The texts of the template check that people read, in one table. The human
// form comes in the reader's language; the JSON form, which scripts read,
// keeps the finding texts in English under every locale.
#pragma once

#include <string>

#include "check/check_result.h"

namespace reportword::check {

enum class Wording { kReaderLanguage, kEnglish };

enum class MessageId {
  // Where a text stands; {0} is the section.
  kSectionBody,
  kSectionFirstPageHeader,
  kSectionEvenPageHeader,
  kSectionPrimaryHeader,
  kSectionFirstPageFooter,
  kSectionEvenPageFooter,
  kSectionPrimaryFooter,
  kInTextBox,
  // Why a near miss is not found.
  kReasonOneCharacterOff,
  kReasonTwoCharactersOff,
  kReasonSpacesInside,
  kReasonOtherBrackets,
  kReasonMissingBracket,
  // Why the search misses a placeholder outside the filled header.
  kCauseSplitByField,
  kCauseInFieldCode,
  kCauseInDeletedText,
  kCauseSplitBySoftHyphen,
  // The findings.
  kShownUnfilled,
  kFirstPageHeader,
  kEvenPageHeader,
  kOtherPrimaryHeader,
  kNearMissInFilledHeader,
  kNearMissElsewhere,
  kHiddenElsewhere,
  kSplitByField,
  kInFieldCode,
  kInDeletedText,
  kSplitBySoftHyphen,
  kRepeatDocument1Only,
  kRepeatNeverFilled,
  kColumns,
  kConvertedFromCache,
  kConvertedCachedNow,
  kConvertedNoCache,
  // What the runs of a mode do with an occurrence.
  kReplacedWhenNotBlank,
  kReplacedAlways,
  kReplacedDocument1Only,
  kReplacedDocument2Only,
  kReplacedNever,
  // The headings of the occurrence table, in column order.
  kPlaceholderHeading,
  kWrittenAsHeading,
  kPlaceHeading,
  kNetworkRunHeading,
  kRoadRunHeading,
  kNoPlaceholders,
  kNoFindings,
  // The usage line of the check's command line.
  kCheckUsage,
};

// The text of `id`, in the reader's language or in English as written.
const char* MessageText(MessageId id, Wording wording = Wording::kReaderLanguage);

// "section 2 first-page footer", "section 1 body (in a text box)".
std::string PlaceText(const Place& place, Wording wording);

// One line that names the template, the place and the fix.
std::string FindingText(const std::string& path, const Finding& finding, Wording wording);

// What the runs of one mode do with an occurrence: "yes", "when not blank",
// "document 1 only", "no".
std::string FillingText(const Filling& replacement);

}  // namespace reportword::check

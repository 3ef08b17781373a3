#include "check/check_messages.h"

#include <array>
#include <cstddef>
#include <utility>

#include "text/translate.h"

namespace reportword::check {
namespace {

using text::Format;
using enum MessageId;

// A text of the table, translated when it is looked up. Named like the
// catalog's keyword, so that the message extraction finds every text here.
struct CatalogText {
  const char* english;
};
constexpr CatalogText Translate(const char* english) {
  return {english};
}

constexpr std::pair<MessageId, CatalogText> kMessages[] = {
    {kSectionBody, Translate("section {0} body")},
    {kSectionFirstPageHeader, Translate("section {0} first-page header")},
    {kSectionEvenPageHeader, Translate("section {0} even-page header")},
    {kSectionPrimaryHeader, Translate("section {0} primary header")},
    {kSectionFirstPageFooter, Translate("section {0} first-page footer")},
    {kSectionEvenPageFooter, Translate("section {0} even-page footer")},
    {kSectionPrimaryFooter, Translate("section {0} primary footer")},
    {kInTextBox, Translate("{0} (in a text box)")},
    {kReasonOneCharacterOff, Translate("one character wrong, missing or extra")},
    {kReasonTwoCharactersOff, Translate("two characters wrong, missing or extra")},
    {kReasonSpacesInside, Translate("spaces inside the brackets")},
    {kReasonOtherBrackets, Translate("other bracket characters")},
    {kReasonMissingBracket, Translate("a bracket missing")},
    {kCauseSplitByField, Translate("split by a field")},
    {kCauseInFieldCode, Translate("part of a field code")},
    {kCauseInDeletedText, Translate("in or across deleted text")},
    {kCauseSplitBySoftHyphen, Translate("split by a soft hyphen")},
    {kShownUnfilled,
     Translate("{0}: {1} in the {2} is not filled and shows as written; move it into "
               "the section 1 primary header")},
    {kFirstPageHeader,
     Translate("{0}: section {1} has a different first page, so the first page does "
               "not show the filled header; switch \"Different first page\" off in "
               "section {1}")},
    {kEvenPageHeader,
     Translate("{0}: the template has different odd and even pages, so even pages do "
               "not show the filled header; switch \"Different odd and even pages\" off")},
    {kOtherPrimaryHeader,
     Translate("{0}: section {1} has a primary header of its own, which the documents "
               "show instead of the filled one of section 1 (only the last section's "
               "headers remain); link the section {1} header to the previous section")},
    {kNearMissInFilledHeader,
     Translate("{0}: \"{1}\" in the {2} looks like {3} but is not found ({4}); write it as "
               "{3}")},
    {kNearMissElsewhere,
     Translate("{0}: \"{1}\" in the {2} looks like {3} but is not found ({4}); "
               "placeholders are filled only in the section 1 primary header, so write {3} "
               "there")},
    {kHiddenElsewhere,
     Translate("{0}: {1} in the {2} is not found ({3}); placeholders are filled only "
               "in the section 1 primary header, so write {1} there as plain text")},
    {kSplitByField,
     Translate("{0}: {1} in the {2} is split by a field, so it is not found; type it again as "
               "plain text")},
    {kInFieldCode,
     Translate("{0}: {1} in the {2} is part of a field code, so it is not found; type it as "
               "plain text outside the field")},
    {kInDeletedText,
     Translate("{0}: {1} in the {2} lies in or across deleted text (a tracked change), so it is "
               "not found; accept or reject the change")},
    {kSplitBySoftHyphen,
     Translate("{0}: {1} in the {2} is split by a soft hyphen, so it is not found; remove the "
               "soft hyphen")},
    {kRepeatDocument1Only,
     Translate("{0}: occurrence {1} of {2} in the {3} is filled only when the "
               "template makes document 1, not in document 2; keep one {2}")},
    {kRepeatNeverFilled,
     Translate("{0}: occurrence {1} of {2} in the {3} is never filled and shows as "
               "written (a document fills at most {4} of them); remove it")},
    {kColumns, Translate("{0}: section {1} sets its text in {2} columns, so the body table "
                         "stands in one narrow column; set section {1} in one column")},
    {kConvertedFromCache,
     Translate("{0}: a run converts this {1} file with LibreOffice; a converted copy is in the "
               "cache, so runs with these bytes start no converter; save it once as a Word "
               "template (.dotx) to need no conversion at all")},
    {kConvertedCachedNow,
     Translate("{0}: a run converts this {1} file with LibreOffice, taking seconds; the check "
               "converted it and keeps the copy in the cache for the runs with these bytes; save "
               "it once as a Word template (.dotx) to need no conversion at all")},
    {kConvertedNoCache,
     Translate("{0}: every run converts this {1} file with LibreOffice, taking seconds, as no "
               "cache is kept (REPORTWORD_CACHE=off, or no usable cache folder); save it once as "
               "a Word template (.dotx) to need no conversion")},
    {kReplacedWhenNotBlank, Translate("when not blank")},
    {kReplacedAlways, Translate("yes")},
    {kReplacedDocument1Only, Translate("document 1 only")},
    {kReplacedDocument2Only, Translate("document 2 only")},
    {kReplacedNever, Translate("no")},
    {kPlaceholderHeading, Translate("placeholder")},
    {kWrittenAsHeading, Translate("written as")},
    {kPlaceHeading, Translate("place")},
    {kNetworkRunHeading, Translate("network run")},
    {kRoadRunHeading, Translate("road run")},
    {kNoPlaceholders, Translate("no placeholders")},
    {kNoFindings, Translate("no findings")},
    {kCheckUsage, Translate("usage: reportword --check-template [--json] TEMPLATE...")},
};

// The lookup indexes the table by id, so every id has its row, in order.
constexpr bool RowsFollowIds() {
  for (std::size_t i = 0; i < std::size(kMessages); ++i) {
    if (static_cast<std::size_t>(kMessages[i].first) != i) return false;
  }
  return static_cast<std::size_t>(kCheckUsage) + 1 == std::size(kMessages);
}
static_assert(RowsFollowIds());

// The place's kind of story, as a label with the section as {0}.
MessageId PlaceLabel(const Place& place) {
  const bool header = place.part == StoryPart::kHeader;
  if (place.part == StoryPart::kBody) return kSectionBody;
  switch (place.kind) {
    case HeaderFooterKind::kFirst:
      return header ? kSectionFirstPageHeader : kSectionFirstPageFooter;
    case HeaderFooterKind::kEven:
      return header ? kSectionEvenPageHeader : kSectionEvenPageFooter;
    case HeaderFooterKind::kDefault:
      break;
  }
  return header ? kSectionPrimaryHeader : kSectionPrimaryFooter;
}

// The reasons of a near miss, as a list.
std::string ReasonsText(unsigned reasons, Wording wording) {
  constexpr std::pair<unsigned, MessageId> kReasons[] = {
      {kOneCharacterOff, kReasonOneCharacterOff}, {kTwoCharactersOff, kReasonTwoCharactersOff},
      {kSpacesInside, kReasonSpacesInside},       {kOtherBrackets, kReasonOtherBrackets},
      {kMissingBracket, kReasonMissingBracket},
  };
  std::string text;
  for (const auto& [bit, id] : kReasons) {
    if (!(reasons & bit)) continue;
    if (!text.empty()) text += ", ";
    text += MessageText(id, wording);
  }
  return text;
}

// A placeholder the search misses for what lies in or around it: the finding's
// message in the filled header, and the cause named elsewhere.
std::pair<MessageId, MessageId> HiddenMessages(FindingKind kind) {
  switch (kind) {
    case FindingKind::kSplitByField:
      return {kSplitByField, kCauseSplitByField};
    case FindingKind::kInFieldCode:
      return {kInFieldCode, kCauseInFieldCode};
    case FindingKind::kInDeletedText:
      return {kInDeletedText, kCauseInDeletedText};
    default:
      return {kSplitBySoftHyphen, kCauseSplitBySoftHyphen};
  }
}

}  // namespace

const char* MessageText(MessageId id, Wording wording) {
  const char* english = kMessages[static_cast<std::size_t>(id)].second.english;
  return wording == Wording::kReaderLanguage ? text::Translate(english) : english;
}

std::string PlaceText(const Place& place, Wording wording) {
  const std::string label = Format(MessageText(PlaceLabel(place), wording), place.section);
  return place.text_box ? Format(MessageText(kInTextBox, wording), label) : label;
}

std::string FindingText(const std::string& path, const Finding& f, Wording w) {
  const auto text = [w](MessageId id) { return MessageText(id, w); };
  switch (f.kind) {
    case FindingKind::kShownUnfilled:
      return Format(text(kShownUnfilled), path, f.placeholder, PlaceText(f.place, w));
    case FindingKind::kFirstPageHeader:
      return Format(text(kFirstPageHeader), path, f.section);
    case FindingKind::kEvenPageHeader:
      return Format(text(kEvenPageHeader), path);
    case FindingKind::kOtherPrimaryHeader:
      return Format(text(kOtherPrimaryHeader), path, f.section);
    case FindingKind::kNearMiss:
      return Format(text(f.in_filled_header ? kNearMissInFilledHeader : kNearMissElsewhere), path,
                    f.text, PlaceText(f.place, w), f.placeholder, ReasonsText(f.reasons, w));
    case FindingKind::kSplitByField:
    case FindingKind::kInFieldCode:
    case FindingKind::kInDeletedText:
    case FindingKind::kSplitBySoftHyphen: {
      const auto [message, cause] = HiddenMessages(f.kind);
      if (f.in_filled_header)
        return Format(text(message), path, f.placeholder, PlaceText(f.place, w));
      return Format(text(kHiddenElsewhere), path, f.placeholder, PlaceText(f.place, w),
                    text(cause));
    }
    case FindingKind::kRepeatDocument1Only:
      return Format(text(kRepeatDocument1Only), path, f.occurrence, f.placeholder,
                    PlaceText(f.place, w));
    case FindingKind::kRepeatNeverFilled:
      return Format(text(kRepeatNeverFilled), path, f.occurrence, f.placeholder,
                    PlaceText(f.place, w), f.filled_at_most);
    case FindingKind::kColumns:
      return Format(text(kColumns), path, f.section, f.columns);
    case FindingKind::kConverted: {
      using enum Finding::Conversion;
      const MessageId id = f.conversion == kFromCache   ? kConvertedFromCache
                           : f.conversion == kCachedNow ? kConvertedCachedNow
                                                        : kConvertedNoCache;
      return Format(text(id), path, f.text);
    }
  }
  return path;
}

std::string FillingText(const Filling& replacement) {
  if (replacement.Always()) {
    return MessageText(replacement.when_not_blank ? kReplacedWhenNotBlank : kReplacedAlways);
  }
  if (replacement.document1) return MessageText(kReplacedDocument1Only);
  if (replacement.document2) return MessageText(kReplacedDocument2Only);
  return MessageText(kReplacedNever);
}

}  // namespace reportword::check

#include "check/check_messages.h"

#include "text/translate.h"

namespace reportword::check {
namespace {

using text::Format;

// The reader's language, or the English text as it stands. Named like the
// catalog's keyword, so that the message extraction finds every text here.
const char* Translate(const char* english, Wording wording) {
  return wording == Wording::kReaderLanguage ? text::Translate(english) : english;
}

// The section a place names, as a label of its own.
std::string PlaceLabel(const Place& place, Wording wording) {
  const char* pattern = Translate("section {0} body", wording);
  if (place.part == StoryPart::kHeader) {
    pattern =
        place.kind == HeaderFooterKind::kFirst ? Translate("section {0} first-page header", wording)
        : place.kind == HeaderFooterKind::kEven ? Translate("section {0} even-page header", wording)
                                                : Translate("section {0} primary header", wording);
  } else if (place.part == StoryPart::kFooter) {
    pattern =
        place.kind == HeaderFooterKind::kFirst ? Translate("section {0} first-page footer", wording)
        : place.kind == HeaderFooterKind::kEven ? Translate("section {0} even-page footer", wording)
                                                : Translate("section {0} primary footer", wording);
  }
  return Format(pattern, place.section);
}

// The reasons of a near miss, as a list.
std::string ReasonsText(unsigned reasons, Wording wording) {
  std::string text;
  auto add = [&](unsigned bit, const char* reason) {
    if (!(reasons & bit)) return;
    if (!text.empty()) text += ", ";
    text += reason;
  };
  add(kOneCharacterOff, Translate("one character wrong, missing or extra", wording));
  add(kTwoCharactersOff, Translate("two characters wrong, missing or extra", wording));
  add(kSpacesInside, Translate("spaces inside the brackets", wording));
  add(kOtherBrackets, Translate("other bracket characters", wording));
  add(kMissingBracket, Translate("a bracket missing", wording));
  return text;
}

// Why the search misses a placeholder outside the filled header.
const char* CauseText(FindingKind kind, Wording wording) {
  switch (kind) {
    case FindingKind::kSplitByField:
      return Translate("split by a field", wording);
    case FindingKind::kInFieldCode:
      return Translate("part of a field code", wording);
    case FindingKind::kInDeletedText:
      return Translate("in or across deleted text", wording);
    default:
      return Translate("split by a soft hyphen", wording);
  }
}

std::string ShownUnfilledText(const std::string& path, const Finding& f, Wording w) {
  return Format(Translate("{0}: {1} in the {2} is not filled and shows as written; move it into "
                          "the section 1 primary header",
                          w),
                path, f.placeholder, PlaceText(f.place, w));
}

std::string FirstPageHeaderText(const std::string& path, const Finding& f, Wording w) {
  return Format(Translate("{0}: section {1} has a different first page, so the first page does "
                          "not show the filled header; switch \"Different first page\" off in "
                          "section {1}",
                          w),
                path, f.number);
}

std::string EvenPageHeaderText(const std::string& path, Wording w) {
  return Format(Translate("{0}: the template has different odd and even pages, so even pages do "
                          "not show the filled header; switch \"Different odd and even pages\" off",
                          w),
                path);
}

std::string OtherPrimaryHeaderText(const std::string& path, const Finding& f, Wording w) {
  return Format(Translate("{0}: section {1} has a primary header of its own, which the documents "
                          "show instead of the filled one of section 1 (only the last section's "
                          "headers remain); link the section {1} header to the previous section",
                          w),
                path, f.number);
}

std::string NearMissText(const std::string& path, const Finding& f, Wording w) {
  const char* pattern =
      f.in_filled_header
          ? Translate(
                "{0}: \"{1}\" in the {2} looks like {3} but is not found ({4}); write it as "
                "{3}",
                w)
          : Translate(
                "{0}: \"{1}\" in the {2} looks like {3} but is not found ({4}); "
                "placeholders are filled only in the section 1 primary header, so write {3} "
                "there",
                w);
  return Format(pattern, path, f.text, PlaceText(f.place, w), f.placeholder,
                ReasonsText(f.reasons, w));
}

// A placeholder the search misses for what lies in or around it.
std::string HiddenText(const std::string& path, const Finding& f, Wording w) {
  const char* pattern = nullptr;
  if (!f.in_filled_header) {
    return Format(Translate("{0}: {1} in the {2} is not found ({3}); placeholders are filled only "
                            "in the section 1 primary header, so write {1} there as plain text",
                            w),
                  path, f.placeholder, PlaceText(f.place, w), CauseText(f.kind, w));
  }
  switch (f.kind) {
    case FindingKind::kSplitByField:
      pattern = Translate(
          "{0}: {1} in the {2} is split by a field, so it is not found; type it again as plain "
          "text",
          w);
      break;
    case FindingKind::kInFieldCode:
      pattern = Translate(
          "{0}: {1} in the {2} is part of a field code, so it is not found; type it as plain text "
          "outside the field",
          w);
      break;
    case FindingKind::kInDeletedText:
      pattern = Translate(
          "{0}: {1} in the {2} lies in or across deleted text (a tracked change), so it is not "
          "found; accept or reject the change",
          w);
      break;
    default:
      pattern = Translate(
          "{0}: {1} in the {2} is split by a soft hyphen, so it is not found; remove the soft "
          "hyphen",
          w);
  }
  return Format(pattern, path, f.placeholder, PlaceText(f.place, w));
}

std::string RepeatDocument1OnlyText(const std::string& path, const Finding& f, Wording w) {
  return Format(Translate("{0}: occurrence {1} of {2} in the {3} is filled only when the "
                          "template makes document 1, not in document 2; keep one {2}",
                          w),
                path, f.number, f.placeholder, PlaceText(f.place, w));
}

std::string RepeatNeverFilledText(const std::string& path, const Finding& f, Wording w) {
  return Format(Translate("{0}: occurrence {1} of {2} in the {3} is never filled and shows as "
                          "written (a document fills at most {4} of them); remove it",
                          w),
                path, f.number, f.placeholder, PlaceText(f.place, w), f.limit);
}

std::string ColumnsText(const std::string& path, const Finding& f, Wording w) {
  return Format(Translate("{0}: section {1} sets its text in {2} columns, so the body table "
                          "stands in one narrow column; set section {1} in one column",
                          w),
                path, f.number, f.limit);
}

}  // namespace

std::string PlaceText(const Place& place, Wording wording) {
  const std::string label = PlaceLabel(place, wording);
  return place.text_box ? Format(Translate("{0} (in a text box)", wording), label) : label;
}

std::string FindingText(const std::string& path, const Finding& finding, Wording wording) {
  switch (finding.kind) {
    case FindingKind::kShownUnfilled:
      return ShownUnfilledText(path, finding, wording);
    case FindingKind::kFirstPageHeader:
      return FirstPageHeaderText(path, finding, wording);
    case FindingKind::kEvenPageHeader:
      return EvenPageHeaderText(path, wording);
    case FindingKind::kOtherPrimaryHeader:
      return OtherPrimaryHeaderText(path, finding, wording);
    case FindingKind::kNearMiss:
      return NearMissText(path, finding, wording);
    case FindingKind::kSplitByField:
    case FindingKind::kInFieldCode:
    case FindingKind::kInDeletedText:
    case FindingKind::kSplitBySoftHyphen:
      return HiddenText(path, finding, wording);
    case FindingKind::kRepeatDocument1Only:
      return RepeatDocument1OnlyText(path, finding, wording);
    case FindingKind::kRepeatNeverFilled:
      return RepeatNeverFilledText(path, finding, wording);
    case FindingKind::kColumns:
      return ColumnsText(path, finding, wording);
  }
  return path;
}

std::string ReplacementText(const Replacement& replacement) {
  constexpr Wording w = Wording::kReaderLanguage;
  if (replacement.Always()) {
    return replacement.when_not_blank ? Translate("when not blank", w) : Translate("yes", w);
  }
  if (replacement.document1) return Translate("document 1 only", w);
  if (replacement.document2) return Translate("document 2 only", w);
  return Translate("no", w);
}

std::string PlaceholderHeading() {
  return Translate("placeholder", Wording::kReaderLanguage);
}
std::string WrittenAsHeading() {
  return Translate("written as", Wording::kReaderLanguage);
}
std::string PlaceHeading() {
  return Translate("place", Wording::kReaderLanguage);
}
std::string NetworkRunHeading() {
  return Translate("network run", Wording::kReaderLanguage);
}
std::string RoadRunHeading() {
  return Translate("road run", Wording::kReaderLanguage);
}
std::string NoPlaceholdersText() {
  return Translate("no placeholders", Wording::kReaderLanguage);
}
std::string NoFindingsText() {
  return Translate("no findings", Wording::kReaderLanguage);
}

std::string CheckUsageText() {
  return Translate("usage: reportword --check-template [--json] TEMPLATE...",
                   Wording::kReaderLanguage);
}

}  // namespace reportword::check

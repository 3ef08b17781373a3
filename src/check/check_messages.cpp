#include "check/check_messages.h"

namespace reportword::check {
namespace {

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

std::string Ordinal(int number) {
  const int tens = number % 100;
  const char* suffix = (tens >= 11 && tens <= 13) ? "th"
                       : number % 10 == 1         ? "st"
                       : number % 10 == 2         ? "nd"
                       : number % 10 == 3         ? "rd"
                                                  : "th";
  return std::to_string(number) + suffix;
}

// "only the first", "only the first 3".
std::string OnlyTheFirst(int count) {
  return count == 1 ? "only the first" : "only the first " + std::to_string(count);
}

std::string KindText(HeaderFooterKind kind) {
  switch (kind) {
    case HeaderFooterKind::kFirst:
      return "first-page";
    case HeaderFooterKind::kEven:
      return "even-page";
    case HeaderFooterKind::kDefault:
      break;
  }
  return "primary";
}

std::string ReasonsText(unsigned reasons) {
  std::string text;
  auto add = [&](unsigned bit, const char* reason) {
    if (!(reasons & bit)) return;
    if (!text.empty()) text += ", ";
    text += reason;
  };
  add(kOneCharacterOff, "one character wrong, missing or extra");
  add(kTwoCharactersOff, "two characters wrong, missing or extra");
  add(kSpacesInside, "spaces inside the brackets");
  add(kOtherBrackets, "other bracket characters");
  add(kMissingBracket, "a bracket missing");
  return text;
}

// Said of near misses outside the filled header, which even written right
// would not be filled there.
std::string OnlyFilledThere(const Finding& f) {
  return f.in_filled_header ? "" : "; placeholders are filled only in the section 1 primary header";
}

std::string ShownUnfilledText(const std::string& path, const Finding& f) {
  return path + ": " + f.placeholder + " in the " + PlaceText(f.place) +
         " is not filled and shows as written; move it into the section 1 primary header";
}

std::string FirstPageHeaderText(const std::string& path, const Finding& f) {
  return path + ": section " + std::to_string(f.number) +
         " has a different first page, so the first page does not show the filled header; "
         "switch \"Different first page\" off in section " +
         std::to_string(f.number);
}

std::string EvenPageHeaderText(const std::string& path, const Finding&) {
  return path +
         ": the template has different odd and even pages, so even pages do not show the filled "
         "header; switch \"Different odd and even pages\" off";
}

std::string OtherPrimaryHeaderText(const std::string& path, const Finding& f) {
  return path + ": section " + std::to_string(f.number) +
         " has a primary header of its own, which the documents show instead of the filled one "
         "of section 1 (only the last section's headers remain); link the section " +
         std::to_string(f.number) + " header to the previous section";
}

std::string NearMissText(const std::string& path, const Finding& f) {
  return path + ": " + Quoted(f.text) + " in the " + PlaceText(f.place) + " looks like " +
         f.placeholder + " but is not found (" + ReasonsText(f.reasons) + "); write it as " +
         f.placeholder + OnlyFilledThere(f);
}

std::string SplitByFieldText(const std::string& path, const Finding& f) {
  return path + ": " + f.placeholder + " in the " + PlaceText(f.place) +
         " is split by a field, so it is not found; type it again as plain text" +
         OnlyFilledThere(f);
}

std::string InFieldCodeText(const std::string& path, const Finding& f) {
  return path + ": " + f.placeholder + " in the " + PlaceText(f.place) +
         " is part of a field code, so it is not found; type it as plain text outside the field" +
         OnlyFilledThere(f);
}

std::string InDeletedTextText(const std::string& path, const Finding& f) {
  return path + ": " + f.placeholder + " in the " + PlaceText(f.place) +
         " lies in or across deleted text (a tracked change), so it is not found; accept or "
         "reject the change" +
         OnlyFilledThere(f);
}

std::string SplitBySoftHyphenText(const std::string& path, const Finding& f) {
  return path + ": " + f.placeholder + " in the " + PlaceText(f.place) +
         " is split by a soft hyphen, so it is not found; remove the soft hyphen" +
         OnlyFilledThere(f);
}

std::string RepeatDocument1OnlyText(const std::string& path, const Finding& f) {
  return path + ": the " + Ordinal(f.number) + " " + f.placeholder + " in the " +
         PlaceText(f.place) +
         " is filled only when the template makes document 1 (document 2 fills " +
         OnlyTheFirst(f.limit) + "); keep one " + f.placeholder;
}

std::string RepeatNeverFilledText(const std::string& path, const Finding& f) {
  return path + ": the " + Ordinal(f.number) + " " + f.placeholder + " in the " +
         PlaceText(f.place) + " is never filled and shows as written (a run fills " +
         OnlyTheFirst(f.limit) + "); remove it";
}

std::string ColumnsText(const std::string& path, const Finding& f) {
  return path + ": section " + std::to_string(f.number) + " sets its text in " +
         std::to_string(f.limit) +
         " columns, so the body table stands in one narrow column; set section " +
         std::to_string(f.number) + " in one column";
}

}  // namespace

std::string PlaceText(const Place& place) {
  std::string text = "section " + std::to_string(place.section) + " ";
  switch (place.part) {
    case StoryPart::kHeader:
      text += KindText(place.kind) + " header";
      break;
    case StoryPart::kFooter:
      text += KindText(place.kind) + " footer";
      break;
    case StoryPart::kBody:
      text += "body";
      break;
  }
  if (place.text_box) text += " (in a text box)";
  return text;
}

std::string FindingText(const std::string& path, const Finding& finding) {
  switch (finding.kind) {
    case FindingKind::kShownUnfilled:
      return ShownUnfilledText(path, finding);
    case FindingKind::kFirstPageHeader:
      return FirstPageHeaderText(path, finding);
    case FindingKind::kEvenPageHeader:
      return EvenPageHeaderText(path, finding);
    case FindingKind::kOtherPrimaryHeader:
      return OtherPrimaryHeaderText(path, finding);
    case FindingKind::kNearMiss:
      return NearMissText(path, finding);
    case FindingKind::kSplitByField:
      return SplitByFieldText(path, finding);
    case FindingKind::kInFieldCode:
      return InFieldCodeText(path, finding);
    case FindingKind::kInDeletedText:
      return InDeletedTextText(path, finding);
    case FindingKind::kSplitBySoftHyphen:
      return SplitBySoftHyphenText(path, finding);
    case FindingKind::kRepeatDocument1Only:
      return RepeatDocument1OnlyText(path, finding);
    case FindingKind::kRepeatNeverFilled:
      return RepeatNeverFilledText(path, finding);
    case FindingKind::kColumns:
      return ColumnsText(path, finding);
  }
  return path;
}

std::string ReplacementText(const Replacement& replacement) {
  if (replacement.Always()) return replacement.when_not_blank ? "when not blank" : "yes";
  if (replacement.document1) return "document 1 only";
  if (replacement.document2) return "document 2 only";
  return "no";
}

std::string PlaceholderHeading() {
  return "placeholder";
}
std::string WrittenAsHeading() {
  return "written as";
}
std::string PlaceHeading() {
  return "place";
}
std::string NetworkRunHeading() {
  return "network run";
}
std::string RoadRunHeading() {
  return "road run";
}
std::string NoPlaceholdersText() {
  return "no placeholders";
}
std::string NoFindingsText() {
  return "no findings";
}

std::string CheckUsageText() {
  return "usage: reportword --check-template [--json] TEMPLATE...";
}

}  // namespace reportword::check

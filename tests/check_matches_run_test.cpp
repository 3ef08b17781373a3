// The template check against the run: for every template of the check's own
// tests, each mode, with and without values, both documents keep exactly the
// placeholders the check says they keep, header by header and footer by footer.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "check/check_messages.h"
#include "check/occurrences.h"
#include "check/template_check.h"
#include "template_check_cases.h"
#include "test_support.h"
#include "text/unicode.h"

namespace reportword {
namespace {

namespace fs = std::filesystem;
using docx::StoryPart;

// Field 1 is the build number, field 2 the network run's designation and
// field 3 the road run's; blank fields leave the placeholders that need a
// value where they are.
constexpr const char* kReportWithValues = "x\r\nb-7\tObjekt\tStrecke\tB\tC\r\n\r\nH\tW\r\nr\t1\r\n";
constexpr const char* kReportWithBlanks = "x\r\n \t \t\tB\tC\r\n\r\nH\tW\r\nr\t1\r\n";

// Placeholder occurrences by placeholder and place, outside the body (which
// the table replaces).
using Counts = std::map<std::string, int>;

std::string Key(const std::string& placeholder, const check::Place& place) {
  return placeholder + " in the " + check::PlaceText(place, check::Wording::kEnglish);
}

std::string StoryOf(check::Place place) {
  place.text_box = false;
  return check::PlaceText(place, check::Wording::kEnglish);
}

// Of the stories a document still has (a header only an earlier section used
// goes with the body), the placeholders the check says stay.
Counts Predicted(const check::TemplateCheck& check, const std::set<std::string>& stories, bool road,
                 int document, bool values) {
  Counts kept;
  for (const check::Occurrence& occurrence : check.occurrences) {
    if (!stories.contains(StoryOf(occurrence.place))) continue;
    const check::Filling& replacement = road ? occurrence.road : occurrence.network;
    const bool filled = (document == 1 ? replacement.document1 : replacement.document2) &&
                        (values || !replacement.when_not_blank);
    if (!filled) ++kept[Key(occurrence.placeholder, occurrence.place)];
  }
  return kept;
}

// Stories are placed as the template places them: the run replaces the body,
// and with it the sections, but keeps the header and footer parts.
Counts Kept(const docx::TemplateInspection& before, const fs::path& document,
            std::set<std::string>& stories) {
  const docx::TemplateInspection after = docx::InspectTemplate(document.string(), {});
  Counts kept;
  for (const docx::InspectedStory& story : after.stories) {
    if (story.part == StoryPart::kBody) continue;
    const docx::InspectedStory* original = nullptr;
    for (const docx::InspectedStory& candidate : before.stories)
      if (candidate.part_name == story.part_name) original = &candidate;
    if (original == nullptr) {
      ADD_FAILURE() << "the run added " << story.part_name;
      continue;
    }
    stories.insert(StoryOf(check::PlaceOf(*original, {})));
    for (const docx::InspectedParagraph& paragraph : story.paragraphs) {
      for (const PlaceholderRule& rule : kPlaceholderRules) {
        const int count =
            static_cast<int>(check::CountOccurrences(paragraph.folded, text::FoldCase(rule.text)));
        if (count > 0) kept[Key(rule.text, check::PlaceOf(*original, paragraph))] += count;
      }
    }
  }
  return kept;
}

TEST(CheckMatchesRunTest, DocumentsKeepWhatTheCheckSaysTheyKeep) {
  test::TempDir dir;
  const fs::path template_path = dir / "t.dotx";
  for (const test::TemplateCheckCase& c : test::TemplateCheckCases()) {
    test::WriteFile(template_path, test::BuildTemplate(c.spec));
    const check::TemplateCheck check = check::CheckTemplate(template_path.string());
    ASSERT_EQ(check.error, "") << c.name;
    const docx::TemplateInspection before = docx::InspectTemplate(template_path.string(), {});
    for (const bool road : {false, true}) {
      for (const bool values : {true, false}) {
        const std::string run = std::string(c.name) + (road ? ", road run" : ", network run") +
                                (values ? ", with values" : ", blank values");
        test::WriteFile(dir / "report.txt", values ? kReportWithValues : kReportWithBlanks);
        const test::CommandResult result = test::RunReportword(
            {road ? "STRASSENSANIERUNG" : "9520e000", template_path, template_path,
             dir / "report.txt", dir / "out1.docx", dir / "out2.docx"});
        ASSERT_EQ(result.status, 0) << run << "\n" << result.output;
        for (const int document : {1, 2}) {
          const fs::path output = dir / ("out" + std::to_string(document) + ".docx");
          std::set<std::string> stories;
          const Counts kept = Kept(before, output, stories);
          EXPECT_EQ(kept, Predicted(check, stories, road, document, values))
              << run << ", document " << document;
        }
      }
    }
  }
}

}  // namespace
}  // namespace reportword
